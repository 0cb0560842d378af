#include "app/options/options_binding.h"

#include <QPointer>

#include "app/options/option_settings.h"

namespace orvane::options {

OptionsBinding::OptionsBinding(std::shared_ptr<Defaults> defaults, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)) {
    for (const auto& key : allOptionKeys()) {
        observers_.push_back(defaults_->observe(key, [self = QPointer<OptionsBinding>(this)](const std::string& k) {
            if (self) emit self->changed(QString::fromStdString(k));
        }));
    }
}

OptionsBinding::~OptionsBinding() {
    for (auto id : observers_) defaults_->unobserve(id);
}

bool OptionsBinding::boolean(const std::string& key) const { return boolOption(*defaults_, key); }
void OptionsBinding::setBoolean(const std::string& key, bool on) { defaults_->set(key, on); }

double OptionsBinding::number(const std::string& key, double fallback) const {
    return defaults_->numberValue(key).value_or(fallback);
}
void OptionsBinding::setNumber(const std::string& key, double value) { defaults_->set(key, value); }

std::string OptionsBinding::text(const std::string& key, const std::string& fallback) const {
    return defaults_->textValue(key).value_or(fallback);
}
void OptionsBinding::setText(const std::string& key, const std::string& value) { defaults_->set(key, value); }

}  // namespace orvane::options
