#include "app/guide/guide_workflow_model.h"

namespace orvane::guide {

GuideWorkflowModel::GuideWorkflowModel(NavigationHandler onNavigate, QObject* parent)
    : QObject(parent), onNavigate_(std::move(onNavigate)) {}

void GuideWorkflowModel::select(int index) {
    if (index < 0 || index >= guideStepCount || index == selectedStep_) return;
    selectedStep_ = index;
    emit changed();
}

void GuideWorkflowModel::setFromCatalog(bool fromCatalog) {
    if (fromCatalog == fromCatalog_) return;
    fromCatalog_ = fromCatalog;
    emit changed();
}

void GuideWorkflowModel::back() {
    if (canGoBack()) select(selectedStep_ - 1);
}

void GuideWorkflowModel::next() { select(onLastStep() ? 0 : selectedStep_ + 1); }

QString GuideWorkflowModel::positionText() const {
    return QString::fromUtf8("Pasul %1 din %2").arg(selectedStep_ + 1).arg(guideStepCount);
}

QString GuideWorkflowModel::nextTitle() const {
    return onLastStep() ? QString::fromUtf8("Reia ghidul") : QString::fromUtf8("Continuă");
}

QString GuideWorkflowModel::nextSymbol() const {
    return onLastStep() ? QStringLiteral("arrow.counterclockwise") : QStringLiteral("chevron.right");
}

void GuideWorkflowModel::runAction() {
    if (onNavigate_) onNavigate_(step().destination);
}

}  // namespace orvane::guide
