#include "app/model/list_order.h"

#include <algorithm>

namespace orvane::model {

namespace {

std::optional<Date> activityDate(const Project& p) {
    if (p.exportedAt) return p.exportedAt;
    if (p.finishedAt) return p.finishedAt;
    return p.startedAt;
}

}  // namespace

bool isMoreRecent(const Project& a, const Project& b) {
    const auto da = activityDate(a), db = activityDate(b);
    if (!db) return da.has_value();
    return da && *da > *db;
}

std::vector<Project> byRecentActivity(std::vector<Project> projects) {
    std::stable_sort(projects.begin(), projects.end(), isMoreRecent);
    return projects;
}

}  // namespace orvane::model
