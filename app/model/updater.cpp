#include "app/model/updater.h"

#include <QPointer>

namespace orvane::model {

namespace {
QPointer<Updater>& currentUpdater() {
    static QPointer<Updater> updater;
    return updater;
}
}  // namespace

Updater::~Updater() = default;

Updater* Updater::current() { return currentUpdater(); }
void Updater::setCurrent(Updater* updater) { currentUpdater() = updater; }

}  // namespace orvane::model
