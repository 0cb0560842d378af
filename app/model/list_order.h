#pragma once
// The fixed orders of the lists the interface shows; every one is a stable sort.
#include <vector>

#include "core/store/project.h"

namespace orvane::model {

// Latest activity first: the export date, else the finish date, else the start date; projects with
// none of them after all dated ones, in their given order.
std::vector<Project> byRecentActivity(std::vector<Project> projects);
// The order's comparison: `a` comes before `b`.
bool isMoreRecent(const Project& a, const Project& b);

}  // namespace orvane::model
