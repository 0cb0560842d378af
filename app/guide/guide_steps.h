#pragma once
// The usage guide's content: the seven steps of one event in two variants (the photos come from a
// Lightroom catalog or from a folder of RAW files) and the reference of options and advice.
#include <QString>

#include <array>
#include <vector>

#include "app/model/router.h"

namespace orvane::guide {

using model::GuideDestination;

struct GuideStep {
    QString title;
    QString summary;
    std::array<QString, 3> instructions;
    QString outcome;
    QString action;  // the label of the step's action button
    GuideDestination destination;
};

inline constexpr int guideStepCount = 7;

// The seven steps of the variant; steps 2, 3 and 5 differ between the two.
const std::vector<GuideStep>& guideSteps(bool fromCatalog);

struct GuideItem {
    QString title;
    QString text;
};

struct GuideSection {
    QString title;
    QString symbol;
    std::vector<GuideItem> items;
    bool cards = false;  // the items show as cards
};

// The line above the reference's sections.
QString guideReferenceIntro();
// The eight sections of the reference, in order.
const std::vector<GuideSection>& guideReference();

}  // namespace orvane::guide
