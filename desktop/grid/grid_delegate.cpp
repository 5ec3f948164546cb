#include "desktop/grid/grid_delegate.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "desktop/grid/grid_cell.h"
#include "desktop/grid/grid_roles.h"

namespace velmora::desktop {

GridDelegate::GridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
  switch (static_cast<EditorKind>(index.data(kEditorKindRole).toInt())) {
    case EditorKind::kChoice:
      return CreateChoiceEditor(parent, index);
    case EditorKind::kText:
      return CreateTextEditor(parent, index);
    case EditorKind::kNone:
      break;
  }
  return nullptr;
}

QWidget* GridDelegate::CreateChoiceEditor(QWidget* parent, const QModelIndex& index) const {
  auto* combo = new QComboBox(parent);
  combo->setEditable(false);
  combo->addItems(index.data(kChoicesRole).toStringList());
  combo->setMaxVisibleItems(12);
  // Picking an entry ends the edit at once; the user need not leave the cell.
  connect(combo, &QComboBox::activated, this, [this, combo](int) {
    auto* self = const_cast<GridDelegate*>(this);
    emit self->commitData(combo);
    emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
  });
  if (open_choices_at_once_) {
    QTimer::singleShot(0, combo, [combo] {
      if (combo->isVisible()) combo->showPopup();
    });
  }
  return combo;
}

QWidget* GridDelegate::CreateTextEditor(QWidget* parent, const QModelIndex& index) const {
  auto* edit = new QLineEdit(parent);
  const int max_length = index.data(kMaxLengthRole).toInt();
  if (max_length > 0) edit->setMaxLength(max_length);
  return edit;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const QString text = index.data(Qt::EditRole).toString();
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
  } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    edit->setText(text);
  } else {
    QStyledItemDelegate::setEditorData(editor, index);
  }
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    // Nothing picked (the cell's text was not among the choices): the cell keeps its text.
    if (combo->currentIndex() >= 0) model->setData(index, combo->currentText(), Qt::EditRole);
  } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    model->setData(index, edit->text(), Qt::EditRole);
  } else {
    QStyledItemDelegate::setModelData(editor, model, index);
  }
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
  editor->setGeometry(option.rect);
}

}  // namespace velmora::desktop
