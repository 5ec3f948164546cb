#include "desktop/profile_wizard.h"

#include "desktop/db_connection_page.h"
#include "desktop/dialog_style.h"
#include "desktop/fld_mapping_page.h"
#include "desktop/sync_property_page.h"
#include "desktop/sync_type_page.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"

namespace velmora::desktop {
namespace {

// Each page has a help text of its own.
int HelpNumberOfPage(int page_id) {
  switch (page_id) {
    case CProfileWizard::kSyncTypePage:
      return kHelpSyncTypePage;
    case CProfileWizard::kSyncPropertyPage:
      return kHelpSyncPropertyPage;
    case CProfileWizard::kDBConnectionPage:
      return kHelpTablePage;
    case CProfileWizard::kFldMappingPage:
      return kHelpFieldMapping;
    default:
      return 0;
  }
}

}  // namespace

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
  connect(this, &QWizard::helpRequested, this,
          [this] { ShowPageHelp(HelpNumberOfPage(currentId())); });
  resize(640, 520);
}

int RunDialogModally(QDialog& dialog) {
  return dialog.exec();
}

void CProfileWizard::ShowPageHelp(int number) {
  WhatIsThisWindow window(number, this);
  const QPoint centre = mapToGlobal(rect().center());
  window.move(centre - QPoint(window.width() / 2, window.height() / 2));
  run_dialog(window);
}

}  // namespace velmora::desktop
