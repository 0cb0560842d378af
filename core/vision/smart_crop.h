#pragma once
// Person-aware framing from a photo's person layout: who the subjects and the cut-off neighbours
// are, a crop of the photo's own ratio that frames the subjects, and the test that a crop keeps every
// person who matters whole. All pure functions of their arguments.
#include <optional>
#include <utility>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/vision/norm_rect.h"

namespace orvane::SmartCrop {

struct Classes {
    std::vector<PersonInfo> people;     // every person large enough to count
    std::vector<PersonInfo> subjects;   // the ones a crop frames
    std::vector<PersonInfo> intruders;  // cut off at a side edge and not part of the group

    bool operator==(const Classes&) const = default;
};

// Relative heights (from the head) at which a crop may cut through standing people.
inline const std::vector<std::pair<double, double>> legCutZones = {{0.58, 0.66}};

Classes classified(const PersonLayout& layout);

// A crop of the photo's own ratio (equal normalised sides) inside `bounds` that frames the subjects;
// absent when the layout is not current or no such crop keeps the people whole.
std::optional<NormRect> plan(const PersonLayout& layout, double aspect, const NormRect& bounds);
// The candidate search behind `plan`, without its final ratio and protection checks.
std::optional<NormRect> planCandidate(const PersonLayout& layout, double aspect, const NormRect& bounds);

// True when the crop, at the straighten angle (degrees), keeps every person who is not an intruder,
// every face and every body whole. Never true for a layout that is not current.
bool protects(const PersonLayout& layout, const NormRect& crop, double angle, double aspect);

// Every subject keeps all but `lateral` of its mask on each side, its head and (unless legsCut) its feet.
bool subjectsInside(const std::vector<PersonInfo>& subjects, const NormRect& crop, double lateral, bool legsCut);
// Nobody sizable standing clear of the side edges loses more than 3 % of the mask to the crop's sides.
bool noSlicedPeople(const std::vector<PersonInfo>& people, const NormRect& crop);
// People that the crop's bottom cuts are cut between 55 % and 72 % of their height.
bool legCutsOK(const std::vector<PersonInfo>& people, const NormRect& crop);

}  // namespace orvane::SmartCrop
