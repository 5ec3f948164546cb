#include "desktop/profile_wizard.h"

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>

#include "desktop/db_connection_page.h"
#include "desktop/dialog_style.h"
#include "desktop/fld_mapping_page.h"
#include "desktop/sync_property_page.h"
#include "desktop/sync_type_page.h"

namespace velmora::desktop {

CProfileWizard::CProfileWizard(DesktopSession& session, WizardData data, PreviewSink preview,
                               QWidget* parent)
    : QWizard(parent), session_(session), data_(std::move(data)), preview_(std::move(preview)) {
  setWindowTitle("New Profile Steps");
  setWizardStyle(QWizard::ClassicStyle);
  setOption(QWizard::HaveHelpButton, true);
  setOption(QWizard::NoBackButtonOnStartPage, true);
  ApplyDialogStyle(this);
  if (data_.mode == WizardMode::kNewProfile) {
    sync_type_ = new CSyncTypePage(this);
    property_ = new CSyncPropertyPage(this);
    setPage(kSyncTypePage, sync_type_);
    setPage(kSyncPropertyPage, property_);
  }
  table_ = new CDBConnectionPage(this);
  mapping_ = new CFldMappingPage(this);
  setPage(kDBConnectionPage, table_);
  setPage(kFldMappingPage, mapping_);
  setStartId(data_.mode == WizardMode::kNewProfile ? kSyncTypePage : kDBConnectionPage);
  connect(this, &QWizard::helpRequested, this, [this] { ShowHelpUnavailable(this); });
  resize(640, 520);
}

void ShowHelpUnavailable(QWidget* from) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* frame = qobject_cast<QMainWindow*>(w)) {
      frame->statusBar()->showMessage("Help for this page is not available yet.", 5000);
      return;
    }
  }
  (void)from;
}

}  // namespace velmora::desktop
