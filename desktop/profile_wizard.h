// The profile wizard: in new-profile mode the sync type, properties, table and mapping pages;
// in mapping mode only the table and mapping pages of an existing profile. Holds the shared
// wizard data and reaches the desktop session's databases and log. Used by CProfileView.
#pragma once

#include <QDialog>
#include <QWizard>
#include <functional>
#include <memory>

#include "db/result_set.h"
#include "desktop/wizard_data.h"

namespace velmora::desktop {

class DesktopSession;
class CSyncTypePage;
class CSyncPropertyPage;
class CDBConnectionPage;
class CFldMappingPage;

// Where Preview puts the rows of the statement (the main window's content pane).
using PreviewSink = std::function<void(std::unique_ptr<db::ResultSet>)>;

// Runs a modal dialog and returns its result; the windows take one so that tests can stand in.
using DialogRunner = std::function<int(QDialog&)>;
int RunDialogModally(QDialog& dialog);

class CProfileWizard : public QWizard {
  Q_OBJECT

 public:
  enum PageId { kSyncTypePage = 0, kSyncPropertyPage, kDBConnectionPage, kFldMappingPage };

  // In mapping mode `data.record` is the stored profile to edit.
  CProfileWizard(DesktopSession& session, WizardData data, PreviewSink preview = {},
                 QWidget* parent = nullptr);

  DesktopSession& session() { return session_; }
  WizardData& data() { return data_; }
  const PreviewSink& preview() const { return preview_; }

  CSyncTypePage* sync_type_page() const { return sync_type_; }
  CSyncPropertyPage* property_page() const { return property_; }
  CDBConnectionPage* table_page() const { return table_; }
  CFldMappingPage* mapping_page() const { return mapping_; }

  // Opens the "What is this" window with help text `number` over the wizard.
  void ShowPageHelp(int number);
  // Runs the dialogs the pages open (the help window, the Categories dialog).
  DialogRunner run_dialog = RunDialogModally;

 private:
  DesktopSession& session_;
  WizardData data_;
  PreviewSink preview_;
  CSyncTypePage* sync_type_ = nullptr;
  CSyncPropertyPage* property_ = nullptr;
  CDBConnectionPage* table_ = nullptr;
  CFldMappingPage* mapping_ = nullptr;
};

}  // namespace velmora::desktop
