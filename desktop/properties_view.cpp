#include "desktop/properties_view.h"

#include "desktop/dialog_style.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

}  // namespace

CPropertiesView::CPropertiesView(QWidget* parent) : QLabel(parent) {
  ApplyDialogStyle(this);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setMargin(8);
  setTextFormat(Qt::PlainText);
}

void CPropertiesView::ShowProfile(const std::optional<profile::ProfileRecord>& r) {
  if (!r) {
    setText({});
    return;
  }
  const QString time = QString("%1:%2")
                           .arg(r->sync_time.hour, 2, 10, QChar('0'))
                           .arg(r->sync_time.minute, 2, 10, QChar('0'));
  setText(QString("Profile: %1\nSync Type: %2\nPocket PC User: %3\nSync On: %4\n"
                  "Date: %5    Day: %6    Time (On/After): %7")
              .arg(Q(r->prof_name), Q(profile::SyncTypeText(r->sync_type)), Q(r->user_name),
                   Q(profile::SyncOnText(r->sync_on)), QString::number(r->day),
                   Q(profile::WeekDayText(r->week_day)), time));
}

}  // namespace velmora::desktop
