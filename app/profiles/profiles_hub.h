#pragma once
// The page of the rail's profiles section: a capsule tab strip over either the profiles list or the
// catalog library. The library page is made by whoever builds pages for the `library` route (handed
// in as a factory), so the hub shows exactly what that route shows elsewhere. A tab change rebuilds
// the tab's page afresh; the route is never changed from here.
#include <QAbstractButton>
#include <QWidget>

#include <array>
#include <functional>

#include "app/kit/motion.h"
#include "app/profiles/profiles_hub_model.h"

class QVBoxLayout;

namespace orvane::model {
class AppModel;
}

namespace orvane::profiles {

// The strip: two segments in a capsule track, the selection pill sliding behind the current one.
class HubTabStrip final : public QWidget {
    Q_OBJECT
public:
    explicit HubTabStrip(ProfilesHubModel& hub, QWidget* parent = nullptr);
    QAbstractButton* segment(HubTab tab) const { return segments_[std::size_t(tab)]; }
    // Where the pill is drawn now.
    QRectF pillRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void follow(bool animated);

    ProfilesHubModel& hub_;
    std::array<QAbstractButton*, 2> segments_{};
    QRectF from_, to_;
    kit::SpringValue slide_;
};

class ProfilesHubView final : public QWidget {
    Q_OBJECT
public:
    using PageFactory = std::function<QWidget*()>;
    ProfilesHubView(model::AppModel& model, model::Router& router, HubTab initial, PageFactory libraryPage,
                    QWidget* parent = nullptr);

    ProfilesHubModel& hub() { return hub_; }
    HubTabStrip* strip() const { return strip_; }
    // The current tab's page (a ProfilesListView for the profiles tab).
    QWidget* content() const { return content_; }

private:
    void showTab();

    model::AppModel& model_;
    model::Router& router_;
    ProfilesHubModel hub_;
    PageFactory libraryPage_;
    HubTabStrip* strip_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QWidget* content_ = nullptr;
};

}  // namespace orvane::profiles
