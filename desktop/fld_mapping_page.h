// The wizard's last page: each device contact field beside the desktop column that feeds it,
// chosen in place from the table page's field texts; Finish saves the profile through
// MappingSaver. Used by CProfileWizard in both modes.
#pragma once

#include <QWizardPage>
#include <vector>

#include "desktop/mapping_saver.h"

namespace velmora::desktop {

class CProfileWizard;
class GridModel;
class GridView;

class CFldMappingPage : public QWizardPage {
  Q_OBJECT

 public:
  explicit CFldMappingPage(CProfileWizard* wizard);

  void initializePage() override;
  bool validatePage() override;
  void cleanupPage() override;

  // Maps the row of device field `field_id` to `column` (the tests' way of editing a cell).
  bool MapField(const std::string& field_id, const std::string& column);
  std::vector<MappingListRow> Rows() const;
  GridModel* model() const { return model_; }
  bool saved() const { return saved_; }

 private:
  CProfileWizard* wizard_;
  GridModel* model_;
  GridView* view_;
  std::vector<MappingListRow> rows_;
  bool saved_ = false;
};

}  // namespace velmora::desktop
