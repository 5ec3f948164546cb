#include "desktop/profile_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QSignalBlocker>

#include "db/odbc_result_set.h"
#include "desktop/restore_contents_dialog.h"
#include "desktop/backup_restore_model.h"
#include "desktop/desktop_session.h"
#include "desktop/backup_device_contacts.h"
#include "desktop/restore_device_contacts.h"
#include "desktop/device_contacts_backup_progress.h"
#include "desktop/dialog_style.h"
#include "desktop/messages.h"
#include "desktop/profile_commands.h"
#include "desktop/rename_profile_dialog.h"
#include "desktop/tree_images.h"
#include "platform/prompt/prompt.h"
#include "profile/password.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr int kItemDataRole = Qt::UserRole;
// A tree with at least this many items selects its first visible one after a refill.
constexpr int kItemsForFirstVisible = 4;
constexpr int kButtonSize = 9;

const QColor kTreeLines(128, 128, 128);

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QTreeWidgetItem* NewItem(std::string_view text, int item_data, TreeImagePair images) {
  auto* item = new QTreeWidgetItem(QStringList{Q(text)});
  item->setData(0, kItemDataRole, item_data);
  item->setToolTip(0, Q(text));
  item->setIcon(0, TreeIcon(images));
  return item;
}

bool LaunchDetached(const std::filesystem::path& program, const std::filesystem::path& folder) {
  return QProcess::startDetached(Q(program.string()), {}, Q(folder.string()));
}

bool HasNextSibling(const QModelIndex& index) {
  return index.sibling(index.row() + 1, 0).isValid();
}

}  // namespace

std::string DataSourceItemText(const profile::ProfileRecord& record) {
  if (record.db_type == profile::kDsnDatabase) return "DSN = " + record.db_dsn;
  return "File= " + record.db_path + record.db_dsn;
}

std::string LinkedSourceOf(const profile::ProfileRecord& record) {
  if (record.db_type == profile::kDsnDatabase) return record.db_dsn;
  if (record.db_type == profile::kDBaseDatabase || record.db_type == profile::kCsvDatabase) {
    return record.db_path;
  }
  return record.db_path + record.db_dsn;
}

std::string ConnectedStatusText(long rows) {
  std::string text(kConnectedStatus);
  text.replace(text.find("%d"), 2, std::to_string(rows));
  return text;
}

std::vector<MenuEntry> PopupMenuEntries(std::optional<ItemKind> kind, bool linked_has_result) {
  if (!kind || *kind == ItemKind::kProfile) {
    const bool on_profile = kind.has_value();
    return {{"New Profile...", kCmdNewProfile, true},
            {"Edit Profile Name...", kCmdRename, on_profile},
            {"Delete Profile...", kCmdDelete, on_profile},
            {"Restore Contents...", kCmdRestoreContents, on_profile && linked_has_result}};
  }
  if (*kind == ItemKind::kMapping && linked_has_result) {
    return {{"Field Editing...", kCmdFieldEditing, true}};
  }
  return {};
}

std::optional<int> DoubleClickCommand(ItemKind kind) {
  switch (kind) {
    case ItemKind::kProfile:
      return kCmdRename;
    case ItemKind::kMapping:
      return kCmdFieldEditing;
    default:
      return std::nullopt;
  }
}

CProfileView::CProfileView(DesktopSession& session, QWidget* parent)
    : QTreeWidget(parent), session_(session) {
  setHeaderHidden(true);
  // Long names and paths scroll sideways rather than being cut short.
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  setRootIsDecorated(true);
  setItemsExpandable(true);
  setExpandsOnDoubleClick(false);
  setIconSize(QSize(kTreeImageWidth, kTreeImageHeight));
  setSelectionMode(QAbstractItemView::SingleSelection);
  ApplyDialogStyle(this);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Base, kDialogBackground);
  // The selection stays visible while another pane has the focus.
  for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  setPalette(palette);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { OnSelectionChanged(item); });
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { DoubleClickItem(item); });
}

int CProfileView::ItemDataOf(const QTreeWidgetItem* item) {
  return item == nullptr ? -1 : item->data(0, kItemDataRole).toInt();
}

void CProfileView::Reload() {
  Refill();
  if (ItemCount() >= kItemsForFirstVisible) {
    {
      const QSignalBlocker quiet(this);
      setCurrentItem(nullptr);
    }
    setCurrentItem(topLevelItem(0));
    return;
  }
  if (topLevelItemCount() == 0) {
    current_.reset();
    Refresh();
    return;
  }
  {
    const QSignalBlocker quiet(this);
    setCurrentItem(topLevelItem(0));
  }
  last_item_ = MakeItemData(0, ItemKind::kProfile);
  SelectProfile(*last_item_);
}

void CProfileView::Refill() {
  // Reading the profiles again ends whatever the linked database showed.
  session_.CloseLinked();
  status_text_.clear();
  profiles_ = session_.store().AllProfiles();
  const QSignalBlocker quiet(this);
  clear();
  for (std::size_t row = 0; row < profiles_.size(); ++row) {
    AddProfileItems(profiles_[row], static_cast<int>(row));
  }
  expandAll();
}

void CProfileView::AddProfileItems(const profile::ProfileRecord& record, int row) {
  QTreeWidgetItem* top = NewItem(record.prof_name, MakeItemData(row, ItemKind::kProfile),
                                 ProfileImages(record.sync_on));
  addTopLevelItem(top);
  // A CSV export reads no desktop table, so it has neither a data source nor a mapping.
  if (record.sync_type == profile::kExportCsv) return;
  top->addChild(
      NewItem(DataSourceItemText(record), MakeItemData(row, ItemKind::kDataSource), kChildImages));
  top->addChild(NewItem(kMappingItemText, MakeItemData(row, ItemKind::kMapping), kChildImages));
}

int CProfileView::ItemCount() const {
  int count = topLevelItemCount();
  for (int i = 0; i < topLevelItemCount(); ++i) count += topLevelItem(i)->childCount();
  return count;
}

void CProfileView::OnSelectionChanged(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  // While the conduit runs it has the data source to itself: nothing is loaded, and the panes
  // keep what they show until the next refresh.
  if (conduit_running && conduit_running()) {
    session_.suspend_content = true;
    return;
  }
  session_.suspend_content = false;
  last_item_ = ItemDataOf(item);
  SelectProfile(*last_item_);
}

std::optional<profile::ProfileRecord> CProfileView::ProfileOfItem(int item_data) const {
  const int row = ProfileRowOfItem(item_data);
  if (item_data < 0 || row >= static_cast<int>(profiles_.size())) return std::nullopt;
  return profiles_[static_cast<std::size_t>(row)];
}

std::optional<int> CProfileView::SelectedItemData() const {
  const QTreeWidgetItem* item = currentItem();
  if (item == nullptr) return std::nullopt;
  return ItemDataOf(item);
}

void CProfileView::SelectProfileRow(int row) {
  if (row >= 0 && row < topLevelItemCount()) setCurrentItem(topLevelItem(row));
}

void CProfileView::SelectProfile(int item_data) {
  profiles_ = session_.store().AllProfiles();
  auto record = ProfileOfItem(item_data);
  if (!record) return;
  record->db_password = profile::UnscramblePassword(record->db_password);
  current_ = std::move(record);
  session_.current_prof_id = current_->prof_id;
  LoadLinkedDatabase(true);
}

bool CProfileView::LoadLinkedDatabase(bool read_only) {
  if (!current_) return false;
  bool has_result = false;
  if (current_->db_type == profile::kNoDatabase) {
    session_.CloseLinked();
    status_text_ = kExportsToCsvStatus;
  } else {
    status_text_ = ConnectAndCount(*current_, read_only, &has_result);
  }
  Refresh();
  return has_result;
}

std::string CProfileView::ConnectAndCount(const profile::ProfileRecord& record, bool read_only,
                                          bool* has_result) {
  const std::string source = LinkedSourceOf(record);
  std::string error;
  if (!session_.ConnectLinked(source, record.db_user, record.db_password, record.db_type, &error,
                              read_only)) {
    return error;
  }
  // The rows are only counted here; the content pane reads its own, with this count when it
  // shows the same rows.
  const auto rows = session_.RunLinkedQuery(record.query, &error);
  if (!rows) {
    prompt::ShowMessage(error, kCaption, prompt::Icon::kExclamation);
    return source;
  }
  *has_result = true;
  return ConnectedStatusText(rows->RowCount());
}

void CProfileView::Refresh() {
  if (panes_changed) panes_changed();
}

std::vector<MenuEntry> CProfileView::PrepareContextMenu(QTreeWidgetItem* item) {
  if (item == nullptr) return PopupMenuEntries(std::nullopt, false);
  setCurrentItem(item);
  last_item_ = ItemDataOf(item);
  return PopupMenuEntries(KindOfItem(*last_item_), session_.linked_has_result());
}

void CProfileView::contextMenuEvent(QContextMenuEvent* event) {
  QTreeWidgetItem* item = itemAt(event->pos());
  const std::vector<MenuEntry> entries = PrepareContextMenu(item);
  if (entries.empty()) return;
  QMenu menu(this);
  for (const MenuEntry& entry : entries) {
    QAction* action = menu.addAction(Q(entry.text));
    action->setEnabled(entry.enabled);
    action->setData(entry.command);
  }
  const QAction* chosen = menu.exec(event->globalPos());
  if (chosen == nullptr) return;
  Dispatch(chosen->data().toInt(), last_item_.value_or(-1));
}

void CProfileView::DoubleClickItem(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const int item_data = ItemDataOf(item);
  if (const auto command = DoubleClickCommand(KindOfItem(item_data))) Dispatch(*command, item_data);
}

void CProfileView::drawBranches(QPainter* painter, const QRect& rect,
                                const QModelIndex& index) const {
  const int indent = indentation();
  const QRect own(rect.right() - indent + 1, rect.top(), indent, rect.height());
  const int mid_x = own.left() + indent / 2;
  const int mid_y = own.top() + own.height() / 2;
  painter->save();
  painter->setPen(QPen(kTreeLines, 1, Qt::DotLine));
  const bool first_of_tree = !index.parent().isValid() && index.row() == 0;
  painter->drawLine(mid_x, first_of_tree ? mid_y : own.top(), mid_x,
                    HasNextSibling(index) ? own.bottom() : mid_y);
  painter->drawLine(mid_x, mid_y, own.right(), mid_y);
  // The lines of the ancestors that have items below this one.
  int x = mid_x - indent;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent(), x -= indent) {
    if (HasNextSibling(up)) painter->drawLine(x, own.top(), x, own.bottom());
  }
  if (model()->hasChildren(index)) {
    const QRect box(mid_x - kButtonSize / 2, mid_y - kButtonSize / 2, kButtonSize - 1,
                    kButtonSize - 1);
    painter->setPen(QPen(kTreeLines, 1));
    painter->setBrush(Qt::white);
    painter->drawRect(box);
    painter->setPen(QPen(Qt::black, 1));
    painter->drawLine(box.left() + 2, mid_y, box.right() - 2, mid_y);
    if (!isExpanded(index)) painter->drawLine(mid_x, box.top() + 2, mid_x, box.bottom() - 2);
  }
  painter->restore();
}

void CProfileView::HandleCommand(int command) {
  const auto dispatched = ProfilePaneDispatch(command, SelectedItemData(), last_item_);
  if (dispatched) Dispatch(dispatched->command, dispatched->item_data);
}

void CProfileView::Dispatch(int command, int item_data) {
  switch (command) {
    case kCmdNewProfile:
      NewProfile();
      break;
    case kCmdDelete: {
      const auto profile = ProfileOfItem(item_data);
      if (!profile) return;
      if (DeleteProfileWithBackups(*profile, session_.store(), session_.app_folder())) {
        current_.reset();
        Reload();
      }
      break;
    }
    case kCmdSynchronize:
      SynchronizeNow(item_data);
      break;
    case kCmdAutoSync:
      session_.auto_sync = ToggleAutoSync(session_.auto_sync);
      break;
    case kCmdFieldEditing:
      FieldEditing(item_data);
      break;
    case kCmdRename:
      Rename(item_data);
      break;
    case kCmdRestoreContents:
      RestoreContents(item_data);
      break;
    case kCmdBackupDevice:
      DeviceBackup(false);
      break;
    case kCmdRestoreDevice:
      DeviceBackup(true);
      break;
    default:
      break;
  }
  Refresh();
}

void CProfileView::SynchronizeNow(int item_data) {
  const SynchronizeOutcome outcome = Synchronize(
      session_.DeviceOwner(), session_.app_folder(),
      [this] {
        session_.suspend_content = true;
        Refresh();
        session_.CloseLinked();
      },
      LaunchDetached);
  // When the conduit could not be started the content stays empty until the next selection.
  if (outcome != SynchronizeOutcome::kStarted) return;
  session_.suspend_content = false;
  if (item_data >= 0) SelectProfile(item_data);
}

void CProfileView::NewProfile() {
  session_.suspend_content = true;
  Refresh();
  session_.wizard_mode = WizardMode::kNewProfile;
  CProfileWizard wizard(session_, WizardData{}, preview_sink, window());
  wizard.run_dialog = run_dialog;
  const int result = run_wizard(wizard);
  session_.suspend_content = false;
  if (result == QDialog::Accepted) {
    Reload();
    SelectProfileRow(topLevelItemCount() - 1);
  } else if (last_item_) {
    SelectProfile(*last_item_);
  }
}

void CProfileView::FieldEditing(int item_data) {
  if (!ProfileOfItem(item_data)) return;
  const int row = ProfileRowOfItem(item_data);
  SelectProfile(MakeItemData(row, ItemKind::kProfile));
  session_.wizard_mode = WizardMode::kFieldMapping;
  if (!session_.linked_connected() || !current_) return;
  WizardData data;
  data.mode = WizardMode::kFieldMapping;
  // The loaded record holds the plain password, which saving scrambles once.
  data.record = *current_;
  data.data_source_chosen = true;
  CProfileWizard wizard(session_, data, preview_sink, window());
  wizard.run_dialog = run_dialog;
  if (run_wizard(wizard) == QDialog::Accepted) {
    Refill();
    const QSignalBlocker quiet(this);
    SelectProfileRow(row);
  }
  SelectProfile(MakeItemData(row, ItemKind::kProfile));
}

void CProfileView::Rename(int item_data) {
  auto profile = ProfileOfItem(item_data);
  if (!profile) return;
  RenameProfileDialog dialog(session_.store(), *profile, window());
  if (run_dialog(dialog) != QDialog::Accepted) return;
  const int row = ProfileRowOfItem(item_data);
  profiles_[static_cast<std::size_t>(row)].prof_name = profile->prof_name;
  if (current_ && current_->prof_id == profile->prof_id) current_->prof_name = profile->prof_name;
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(0, Q(profile->prof_name));
}

void CProfileView::RestoreContents(int item_data) {
  if (!current_ || current_->db_type == profile::kNoDatabase) return;
  // Connected for writing: the dialog restores into the table on this connection.
  if (LoadLinkedDatabase(false)) {
    BackupRestoreModel model(session_.linked(), session_.app_folder(), *current_);
    RestoreContentsDialog dialog(model, window());
    run_dialog(dialog);
  }
  SelectProfile(item_data);
}

void CProfileView::DeviceBackup(bool restore) {
  const device::RapiLibrary* rapi = session_.rapi();
  if (rapi == nullptr) return;
  BackupProgressWindow progress(window());
  if (restore) {
    RestoreDeviceContacts(*rapi, session_.app_folder(), ProgramBackupOptions(), &progress).Run();
  } else {
    BackupDeviceContactsFromDesktop(*rapi, session_.app_folder(), ProgramBackupOptions(), &progress)
        .Run();
  }
}

}  // namespace velmora::desktop
