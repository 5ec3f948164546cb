// The Backup Restore dialog of the Restore Contents command: the profile's current rows on the
// left, a chosen generation of the conduit's table backups on the right, and "Restore". The
// window over BackupRestoreModel, which holds all that it does.
#pragma once

#include <QDialog>

#include "desktop/backup_restore_model.h"

class QComboBox;
class QGroupBox;
class QPushButton;

namespace velmora::desktop {

class GridView;
class ResultSetTableModel;

class RestoreContentsDialog : public QDialog {
  Q_OBJECT

 public:
  RestoreContentsDialog(BackupRestoreModel& model, QWidget* parent = nullptr);
  ~RestoreContentsDialog() override;

  ResultSetTableModel* current_rows() const { return current_model_; }
  ResultSetTableModel* backup_rows() const { return backup_model_; }
  QComboBox* generations() const { return generations_; }
  QPushButton* restore_button() const { return restore_button_; }

 public slots:
  void LoadGeneration(int index);
  void Restore();

 private:
  void LoadCurrentRows();

  BackupRestoreModel& model_;
  ResultSetTableModel* current_model_;
  ResultSetTableModel* backup_model_;
  GridView* current_grid_;
  GridView* backup_grid_;
  QComboBox* generations_;
  QPushButton* restore_button_;
};

}  // namespace velmora::desktop
