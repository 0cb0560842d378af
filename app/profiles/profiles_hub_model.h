#pragma once
// The profiles hub's tab without widgets: given by whoever opens the hub, changed by a click on the
// tab strip (the route stays as it is) and by a later change of the route to `library` or `profiles`.
#include <QObject>

#include "app/model/router.h"

namespace orvane::profiles {

enum class HubTab { profiles, library };

class ProfilesHubModel final : public QObject {
    Q_OBJECT
public:
    ProfilesHubModel(model::Router& router, HubTab initial, QObject* parent = nullptr);

    HubTab tab() const { return tab_; }
    // A click on a segment; the route is never touched.
    void select(HubTab tab);
    // The tab a route opens the hub on, if it is one of the hub's routes.
    static std::optional<HubTab> tabFor(const model::Route& route);

signals:
    // `animated`: the change came from the tab strip (a change that follows the route is not animated).
    void tabChanged(bool animated);

private:
    void set(HubTab tab, bool animated);
    HubTab tab_;
};

}  // namespace orvane::profiles
