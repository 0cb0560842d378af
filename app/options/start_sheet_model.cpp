#include "app/options/start_sheet_model.h"

#include <QPointer>

#include <algorithm>

#include "app/options/option_settings.h"

namespace orvane::options {

int sheetMaxHeight(const std::vector<WindowInfo>& windows, std::optional<int> screenHeight) {
    std::optional<int> tallest;
    for (const auto& w : windows) {
        if (!w.visible || w.isSheet || !w.canBecomeMain) continue;
        tallest = std::max(tallest.value_or(w.height), w.height);
    }
    if (tallest) return *tallest;
    return screenHeight.value_or(800);
}

int startSheetHeight(int maxHeight) { return std::clamp(maxHeight - 60, 420, 600); }

StartSheetModel::StartSheetModel(OptionsBinding& binding, std::shared_ptr<Job> job, QObject* parent)
    : QObject(parent), binding_(binding), job_(std::move(job)) {
    resetOptionsUnlessRemembered(binding_.defaults());
    observer_ = job_->observe([self = QPointer<StartSheetModel>(this)](Job::Property p) {
        if (self && p == Job::Property::project) emit self->subtitleChanged();
    });
}

StartSheetModel::~StartSheetModel() { job_->unobserve(observer_); }

QString StartSheetModel::subtitle() const {
    return QStringLiteral("%1 fotografii vor fi editate cu profilul proiectului")
        .arg(static_cast<qlonglong>(job_->project().photos.size()));
}

void StartSheetModel::startEditing(const std::function<void()>& dismiss,
                                   const std::function<void(const std::shared_ptr<Job>&)>& start) {
    // Held here: dismissing may delete this model.
    const auto job = job_;
    applyOptionSettings(binding_.defaults(), *job);
    if (dismiss) dismiss();
    if (start) start(job);
}

}  // namespace orvane::options
