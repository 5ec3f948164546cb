// The in-place editors of a GridView: a drop-down list for choice cells and a line edit for
// free-text cells, chosen per cell from the model's kEditorKindRole. Other cells get no
// editor. Writes back through the model's setData only; never changes the model itself.
#pragma once

#include <QStyledItemDelegate>

namespace velmora::desktop {

class GridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit GridDelegate(QObject* parent = nullptr);

  // Whether a drop-down editor opens its list as soon as it appears (on by default), so that
  // one double-click shows the choices.
  void SetOpenChoicesAtOnce(bool open) { open_choices_at_once_ = open; }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 private:
  QWidget* CreateChoiceEditor(QWidget* parent, const QModelIndex& index) const;
  QWidget* CreateTextEditor(QWidget* parent, const QModelIndex& index) const;

  bool open_choices_at_once_ = true;
};

}  // namespace velmora::desktop
