#pragma once
// A live view of the option keys for the panels: typed reads with the panels' defaults, writes that
// go to the store at once, and a signal whenever any of the keys changes, whoever wrote it.
#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "core/base/defaults.h"

namespace orvane::options {

class OptionsBinding : public QObject {
    Q_OBJECT
public:
    explicit OptionsBinding(std::shared_ptr<Defaults> defaults, QObject* parent = nullptr);
    ~OptionsBinding() override;

    Defaults& defaults() const { return *defaults_; }
    const std::shared_ptr<Defaults>& shared() const { return defaults_; }
    bool boolean(const std::string& key) const;  // false unless a stored Boolean
    void setBoolean(const std::string& key, bool on);
    double number(const std::string& key, double fallback) const;  // as stored, NaN included
    void setNumber(const std::string& key, double value);
    std::string text(const std::string& key, const std::string& fallback) const;
    void setText(const std::string& key, const std::string& value);

signals:
    void changed(const QString& key);

private:
    std::shared_ptr<Defaults> defaults_;
    std::vector<Defaults::ObserverId> observers_;
};

}  // namespace orvane::options
