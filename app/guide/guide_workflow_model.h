#pragma once
// The state of the guide's step-by-step half: the step shown and the source of the photos. It only
// asks its handler to navigate; the sheet closes and the presenter goes there.
#include <QObject>
#include <QString>

#include <functional>

#include "app/guide/guide_steps.h"

namespace orvane::guide {

using NavigationHandler = std::function<void(GuideDestination)>;

class GuideWorkflowModel final : public QObject {
    Q_OBJECT
public:
    // Without a handler no step offers its action.
    explicit GuideWorkflowModel(NavigationHandler onNavigate, QObject* parent = nullptr);

    int selectedStep() const { return selectedStep_; }
    bool fromCatalog() const { return fromCatalog_; }
    const std::vector<GuideStep>& steps() const { return guideSteps(fromCatalog_); }
    const GuideStep& step() const { return steps()[std::size_t(selectedStep_)]; }

    // Only indices 0 to 6 are taken.
    void select(int index);
    // Keeps the step shown.
    void setFromCatalog(bool fromCatalog);
    bool canGoBack() const { return selectedStep_ > 0; }
    void back();
    // From the last step back to the first.
    void next();

    // "Pasul N din 7".
    QString positionText() const;
    bool onLastStep() const { return selectedStep_ + 1 == guideStepCount; }
    QString nextTitle() const;
    QString nextSymbol() const;

    bool hasAction() const { return bool(onNavigate_); }
    // Calls the handler once with the step's destination.
    void runAction();

signals:
    void changed();

private:
    NavigationHandler onNavigate_;
    int selectedStep_ = 0;
    bool fromCatalog_ = true;
};

}  // namespace orvane::guide
