#pragma once
// The English texts of the profiles hub, list and cards, added to the kit's table once.
namespace orvane::profiles {
void registerProfilesTexts();
}
