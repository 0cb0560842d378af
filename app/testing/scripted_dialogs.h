#pragma once
// A dialog service for tests: every question is recorded and answered from a script, never by a modal
// loop. Installed for its lifetime; the real service comes back when it goes.
#include <QAbstractButton>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"

namespace orvane::testing {

class ScriptedDialogs final : public kit::Dialogs {
public:
    struct Asked {
        QString kind;  // "alert", "name", "text", "files", "folder", "save"
        QString message;
        QString informative;
        QStringList buttons;
    };

    ScriptedDialogs() { kit::setDialogs(this); }
    ~ScriptedDialogs() override { kit::setDialogs(nullptr); }

    // Answers, taken in order; an alert with no scripted answer gets the last button ("Anulează" in
    // every confirmation), a picker with none is cancelled.
    std::deque<int> alertAnswers;
    std::deque<std::optional<QString>> names;
    std::deque<std::optional<QString>> texts;  // as typed; none: cancelled
    std::deque<QStringList> files;
    std::deque<std::optional<QString>> folders;
    std::deque<std::optional<QString>> saveFiles;
    std::vector<Asked> asked;

    // The next scripted answer, or an empty one (a cancelled picker) when none is left.
    template <class T>
    static T take(std::deque<T>& queue) {
        T answer{};
        if (!queue.empty()) {
            answer = std::move(queue.front());
            queue.pop_front();
        }
        return answer;
    }

    int run(kit::CenteredAlert& alert) override {
        QStringList buttons;
        for (auto* button : alert.choices()) buttons << button->text();
        asked.push_back({QStringLiteral("alert"), alert.text(), alert.informativeText(), buttons});
        if (alertAnswers.empty()) return kit::CenteredAlert::firstButton + int(buttons.size()) - 1;
        const int answer = alertAnswers.front();
        alertAnswers.pop_front();
        return answer;
    }
    std::optional<QString> askForName(const QString& current, const std::optional<QString>& title,
                                      const std::optional<QString>& message) override {
        asked.push_back({QStringLiteral("name"), title.value_or(QString()), message.value_or(QString()), {current}});
        std::optional<QString> name = take(names);
        if (name) {
            *name = name->trimmed();
            if (name->isEmpty() || *name == current) return std::nullopt;
        }
        return name;
    }
    std::optional<QString> askForText(const QString& title, const QString& current, const QString& placeholder,
                                      const QString& confirmTitle) override {
        asked.push_back({QStringLiteral("text"), title, placeholder, {current, confirmTitle}});
        return take(texts);
    }
    QStringList chooseFiles(const QString& message, const QStringList& extensions, bool) override {
        asked.push_back({QStringLiteral("files"), message, {}, extensions});
        return take(files);
    }
    std::optional<QString> chooseFolder(const QString& message) override {
        asked.push_back({QStringLiteral("folder"), message, {}, {}});
        return take(folders);
    }
    std::optional<QString> chooseFileOrBundle(const QString& message, const QStringList& extensions,
                                              const QString& bundleSuffix) override {
        asked.push_back({QStringLiteral("fileOrBundle"), message, bundleSuffix, extensions});
        const QStringList chosen = take(files);
        if (chosen.isEmpty()) return std::nullopt;
        return chosen.front();
    }
    std::optional<QString> chooseSaveFile(const QString& message, const QString& suggestedName,
                                          const QString& extension) override {
        asked.push_back({QStringLiteral("save"), message, suggestedName, {extension}});
        return take(saveFiles);
    }
};

}  // namespace orvane::testing
