#pragma once
// The version of the running application as the interface shows it.
#include <QString>

namespace orvane::model {

// The application's version (QCoreApplication::applicationVersion()), or "dev" when it has none.
QString currentShortVersion();
// The application's build number (the application object's property "buildNumber"), or "0" without one.
QString currentBuildNumber();
// "Versiunea " followed by currentShortVersion(), one text with the version as its argument.
QString appVersionText();

}  // namespace orvane::model
