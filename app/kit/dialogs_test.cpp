#include "app/kit/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/kit/centered_alert.h"
#include "app/testing/scripted_dialogs.h"
#include "testing/temp_dir.h"

namespace orvane::kit {
namespace {

TEST(Dialogs, confirmationIsTrueOnlyForTheFirstButton) {
    testing::ScriptedDialogs scripted;
    scripted.alertAnswers = {CenteredAlert::firstButton, CenteredAlert::firstButton + 1};
    EXPECT_TRUE(dialogs().confirm("Ștergi?", "Se mută în Coș.", "Șterge"));
    EXPECT_FALSE(dialogs().confirm("Ștergi?", "Se mută în Coș.", "Șterge"));
    // Unscripted: the last button, "Anulează".
    EXPECT_FALSE(dialogs().confirm("Ștergi?", "Se mută în Coș.", "Șterge"));
    ASSERT_EQ(scripted.asked.size(), 3u);
    EXPECT_EQ(scripted.asked[0].buttons, (QStringList{"Șterge", QString::fromUtf8("Anulează")}));
    EXPECT_EQ(scripted.asked[0].informative, QString::fromUtf8("Se mută în Coș."));
}

TEST(Dialogs, theRealNamePromptTrimsAndRefusesEmptyOrUnchangedNames) {
    struct Case {
        const char* typed;
        int answer;
        std::optional<QString> expected;
    } cases[] = {
        {"  Nunta Ana  ", CenteredAlert::firstButton, QString("Nunta Ana")},
        {"   ", CenteredAlert::firstButton, std::nullopt},
        {"Vechi", CenteredAlert::firstButton, std::nullopt},
        {"Altul", CenteredAlert::firstButton + 1, std::nullopt},
    };
    // The real prompt with only the modal run replaced: it types into the real field.
    struct TypingDialogs : Dialogs {
        QString typed;
        int answer = 0;
        QString seenTitle;
        int run(CenteredAlert& alert) override {
            seenTitle = alert.text();
            auto* field = alert.findChild<QLineEdit*>("nameField");
            if (field) field->setText(typed);
            return answer;
        }
    };
    for (const Case& c : cases) {
        TypingDialogs typing;
        typing.typed = QString::fromUtf8(c.typed);
        typing.answer = c.answer;
        EXPECT_EQ(typing.askForName("Vechi"), c.expected) << c.typed;
        EXPECT_EQ(typing.seenTitle, QString::fromUtf8("Redenumește proiectul"));
    }
}

TEST(Dialogs, theRealTextPromptGivesTheTextAsTypedBlankIncluded) {
    struct TypingDialogs : Dialogs {
        QString typed;
        int answer = CenteredAlert::firstButton;
        QStringList buttons;
        QString placeholder;
        int run(CenteredAlert& alert) override {
            for (auto* b : alert.choices()) buttons << b->text();
            auto* field = alert.findChild<QLineEdit*>("textField");
            if (field) {
                placeholder = field->placeholderText();
                field->setText(typed);
            }
            return answer;
        }
    };
    TypingDialogs typing;
    typing.typed = "  ";
    EXPECT_EQ(typing.askForText("Redenumește", "Vechi", "Nume", "Salvează"), QString("  "));
    EXPECT_EQ(typing.buttons, (QStringList{QString::fromUtf8("Salvează"), QString::fromUtf8("Anulează")}));
    EXPECT_EQ(typing.placeholder, QString("Nume"));
    typing.answer = CenteredAlert::firstButton + 1;
    EXPECT_EQ(typing.askForText("Redenumește", "Vechi", "Nume", "Salvează"), std::nullopt);
}

}  // namespace
}  // namespace orvane::kit

namespace orvane::kit {
namespace {

// The real open panel for a file or an application folder, driven as a user would: a release archive
// is taken, an application folder is taken whole (not entered), any other folder is entered and the
// panel stays open until cancelled.
TEST(Dialogs, theFileOrBundlePanelTakesArchivesAndApplicationFoldersWhole) {
    orvane::testing::TempDir temp;
    std::filesystem::create_directories(temp / "Nou.app" / "Contents");
    std::filesystem::create_directories(temp / "Altceva");
    { std::ofstream(temp / "nou.zip") << "PK"; }
    struct Case {
        const char* pick;
        std::optional<std::string> expected;
    } cases[] = {{"nou.zip", "nou.zip"}, {"Nou.app", "Nou.app"}, {"Altceva", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pick);
        bool enteredAndCancelled = false;
        QTimer::singleShot(0, [&] {
            auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(panel, nullptr);
            panel->setDirectory(QString::fromStdString(temp.path().string()));
            panel->selectFile(QString::fromUtf8(c.pick));
            QMetaObject::invokeMethod(panel, "accept", Qt::DirectConnection);  // its "Open" button
            if (panel->isVisible()) {
                enteredAndCancelled = panel->directory().dirName() == QString::fromUtf8(c.pick);
                panel->reject();
            }
        });
        const auto chosen = Dialogs().chooseFileOrBundle("Alege", {"zip"}, ".app");
        if (c.expected) {
            ASSERT_TRUE(chosen.has_value());
            EXPECT_EQ(std::filesystem::path(chosen->toStdString()), temp / *c.expected);
        } else {
            EXPECT_FALSE(chosen.has_value());
            EXPECT_TRUE(enteredAndCancelled) << "a plain folder is opened, not chosen";
        }
    }
}

}  // namespace
}  // namespace orvane::kit
