#include "app/profiles/profiles_hub_model.h"

namespace orvane::profiles {

ProfilesHubModel::ProfilesHubModel(model::Router& router, HubTab initial, QObject* parent)
    : QObject(parent), tab_(initial) {
    // Only changes after creation count: the route the hub was opened for already chose the tab.
    connect(&router, &model::Router::routeChanged, this, [this, r = &router] {
        if (const auto tab = tabFor(r->route())) set(*tab, false);
    });
}

void ProfilesHubModel::select(HubTab tab) { set(tab, true); }

std::optional<HubTab> ProfilesHubModel::tabFor(const model::Route& route) {
    switch (route.kind) {
        case model::Route::Kind::library: return HubTab::library;
        case model::Route::Kind::profiles: return HubTab::profiles;
        default: return std::nullopt;
    }
}

void ProfilesHubModel::set(HubTab tab, bool animated) {
    if (tab == tab_) return;
    tab_ = tab;
    emit tabChanged(animated);
}

}  // namespace orvane::profiles
