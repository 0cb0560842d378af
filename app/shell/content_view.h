#pragma once
// The whole content of the main window: the side rail beside the page of the current route over the
// window backdrop, the application-wide sheets, the drop target for a folder or a catalog, and the
// alert "Eroare" for every error the model publishes. The pages and sheets that later screens fill in
// stand here as placeholders showing their title; routing, sheet rules and identities are final.
#include <QPointer>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>

#include "app/kit/app_backdrop.h"
#include "app/kit/centered_alert.h"
#include "app/model/app_model.h"
#include "app/model/router.h"

namespace orvane::kit {
class SheetHost;
class TipHost;
}

namespace orvane::shell {

// What makes a page the same page: a change of any part builds it afresh.
struct PageKey {
    int group = 0;
    model::Route::Kind kind = model::Route::Kind::home;
    std::optional<Uuid> id;  // the project or profile a page shows
    bool operator==(const PageKey&) const = default;
};

// The page the route shows with the model's current lists: a project or profile that is not there
// shows its list instead (the route itself is kept).
PageKey pageKeyFor(const model::Route& route, const model::AppModel& model);

class ContentView final : public kit::AppBackdrop {
    Q_OBJECT
public:
    // welcome, guide and feedback are the sheets of the rail's help menu.
    enum class Sheet { newProject, newProfile, quickEdit, profileReady, welcome, guide, feedback };
    using AlertRunner = kit::AlertRunner;

    ContentView(model::AppModel& model, model::Router& router, QWidget* parent = nullptr);

    // The drop rule: a folder or an ".lrcat" file (any case) as the first item.
    static bool takesDrop(const QList<QUrl>& urls);
    // Opens the new-project sheet with an item the rule takes; anything else is refused and changes nothing.
    bool handleDrop(const QList<QUrl>& urls);
    // The alert "Eroare" with the text and the buttons "Închide" and "Copiază" (copies the text).
    void presentError(const QString& text);
    void setAlertRunner(AlertRunner runner) { alertRunner_ = std::move(runner); }
    // The created project's page (the new-project sheet's completion).
    void openCreatedProject(const Project& project);
    // Closes a sheet the way its own close button does: the flag or item that opened it is reset.
    void closeSheet(Sheet sheet);

    QWidget* rail() const { return rail_; }
    QWidget* page() const { return page_; }
    const PageKey& pageKey() const { return pageKey_; }
    kit::SheetHost* sheets() const { return sheets_; }
    kit::TipHost* tips() const { return tips_; }
    QWidget* sheet(Sheet sheet) const { return open_[std::size_t(sheet)]; }
    int accentIndex() const { return accentIndex_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void rebuild();
    void updatePage(bool force);
    QWidget* makePage(const PageKey& key);
    // The catalog library: the page of the hub's library tab.
    QWidget* libraryPage();
    void updateRail();
    void syncSheet(Sheet sheet);
    bool wants(Sheet sheet) const;
    QWidget* makeSheet(Sheet sheet);
    void startWithReadyProfile(const Profile& profile);
    void onError();

    model::AppModel& model_;
    model::Router& router_;
    AlertRunner alertRunner_;
    int accentIndex_ = 0;
    QWidget* body_ = nullptr;  // rail and page; rebuilt when the accent changes
    QWidget* rail_ = nullptr;
    QWidget* page_ = nullptr;
    PageKey pageKey_;
    kit::SheetHost* sheets_ = nullptr;
    kit::TipHost* tips_ = nullptr;
    std::array<QPointer<QWidget>, 7> open_;
};

}  // namespace orvane::shell
