#pragma once
// The start sheet "Pornește editarea": resets the options once per presentation (unless the user asked
// to remember them), says how many photos will be edited, sizes itself after the tallest main window,
// and on start hands the options to the job in their one order before starting or queueing it.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/options/options_binding.h"
#include "core/pipeline/job.h"

namespace orvane::model {
class AppModel;
}

namespace orvane::options {

// What the size rule needs to know of one top-level window.
struct WindowInfo {
    bool visible = false;
    bool isSheet = false;  // has a sheet parent
    bool canBecomeMain = true;
    int height = 0;
};

inline constexpr int startSheetWidth = 560;

// The tallest visible main window, else the screen's available height, else 800.
int sheetMaxHeight(const std::vector<WindowInfo>& windows, std::optional<int> screenHeight);
// clamp(sheetMaxHeight - 60, 420, 600).
int startSheetHeight(int maxHeight);

class StartSheetModel : public QObject {
    Q_OBJECT
public:
    // Resets the options (unless "rememberOptions") before anything shows them.
    StartSheetModel(OptionsBinding& binding, std::shared_ptr<Job> job, QObject* parent = nullptr);

    const std::shared_ptr<Job>& job() const { return job_; }
    // "%lld fotografii vor fi editate cu profilul proiectului" over all the project's photos.
    QString subtitle() const;
    // Hands the options to the job, calls `dismiss`, then `start` (AppModel::startJob in the app).
    void startEditing(const std::function<void()>& dismiss,
                      const std::function<void(const std::shared_ptr<Job>&)>& start);

signals:
    void subtitleChanged();

private:
    OptionsBinding& binding_;
    std::shared_ptr<Job> job_;
    Job::ObserverId observer_ = 0;

public:
    ~StartSheetModel() override;
};

}  // namespace orvane::options
