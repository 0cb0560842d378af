// The feedback form: its texts as tables, the request against a local HTTPS server with the test
// certificate authority, and the sheet offscreen with real clicks.
#include "app/guide/feedback_sheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/sheet_host.h"
#include "app/kit/text.h"
#include "app/testing/sheet_testing.h"
#include "core/update/update_download.h"
#include "testing/loopback_https.h"
#include "testing/temp_dir.h"
#include "testing/update_pki.h"

namespace orvane::guide {
namespace {

using namespace std::chrono_literals;

FeedbackForm form(const char* message, const char* contact, bool info) {
    FeedbackForm f;
    f.message = QString::fromUtf8(message);
    f.contact = QString::fromUtf8(contact);
    f.includeInfo = info;
    f.appVersion = QStringLiteral("Versiunea 1.4.0");
    f.systemVersion = QStringLiteral("Linux 6.1.0");
    return f;
}

TEST(FeedbackTexts, theComposedMessageCarriesItsSignatureOnlyWhenThereIsOne) {
    struct Case {
        const char* name;
        FeedbackForm form;
        const char* composed;
    };
    const Case cases[] = {
        {"everything", form("  Mesaj\ncu două rânduri \n\n", " ana@x.ro", true),
         "Mesaj\ncu două rânduri\n\n—\nContact:  ana@x.ro\nVersiune: Versiunea 1.4.0\nLinux 6.1.0"},
        {"message alone", form("\u2003Doar atât\u2029", "", false), "Doar atât"},
        {"blank contact", form("M", " \t\u00a0", false), "M"},
        {"contact only", form("M", "0722 000 000", false), "M\n\n—\nContact: 0722 000 000"},
        {"versions only", form("M", "", true), "M\n\n—\nVersiune: Versiunea 1.4.0\nLinux 6.1.0"},
    };
    for (const auto& c : cases) EXPECT_EQ(composeFeedbackText(c.form), QString::fromUtf8(c.composed)) << c.name;
}

TEST(FeedbackTexts, queryEncodingKeepsOnlyTheQueryCharactersLessAmpersandPlusAndEquals) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {" ", "%20"},           {"\n", "%0A"},          {"&", "%26"},     {"+", "%2B"},
        {"=", "%3D"},           {"–", "%E2%80%93"},     {"ă", "%C4%83"},  {"%", "%25"},
        {"#", "%23"},           {"Az09-._~!$'()*,;:/?@", "Az09-._~!$'()*,;:/?@"},
    };
    for (const auto& c : cases) EXPECT_EQ(queryEncode(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(FeedbackTexts, theMailLinkTheCopiedTextTheBodyAndTheAddress) {
    const FeedbackForm f = form("a & b = c + d", "  ion ", false);
    EXPECT_EQ(feedbackMailLink("suport@vendrel.app", f),
              QString::fromUtf8("mailto:suport@vendrel.app?subject=Vendrel%20%E2%80%93%20Feedback&body="
                                "a%20%26%20b%20%3D%20c%20%2B%20d%0A%0A%E2%80%94%0AContact:%20%20%20ion%20"));
    EXPECT_EQ(feedbackClipboardText("suport@vendrel.app", f),
              QString::fromUtf8("suport@vendrel.app\nVendrel – Feedback\n\na & b = c + d\n\n—\nContact:   ion "));
    const auto body = nlohmann::json::parse(feedbackRequestBody(form(" hei\n", " ion\n ", false)));
    EXPECT_EQ(body, (nlohmann::json{{"kind", "Feedback"}, {"message", "hei"}, {"contact", "ion\n"},
                                    {"app_version", ""}, {"os", ""}}));
    const auto withInfo = nlohmann::json::parse(feedbackRequestBody(form("hei", "", true)));
    EXPECT_EQ(withInfo["app_version"], "Versiunea 1.4.0");
    EXPECT_EQ(withInfo["os"], "Linux 6.1.0");
    EXPECT_EQ(feedbackEndpoint("https://f.example"), "https://f.example/v1/feedback");
    EXPECT_EQ(feedbackEndpoint("https://f.example/"), "https://f.example/v1/feedback");
    EXPECT_EQ(systemVersionText("6.1.0-13-amd64"), "Linux 6.1.0");
    EXPECT_EQ(systemVersionText("5.15"), "Linux 5.15.0");
    EXPECT_EQ(systemVersionText("weird"), "Linux 0.0.0");
    EXPECT_TRUE(systemVersionText().startsWith("Linux "));
}

// A sheet over the real HTTPS client, a loopback server that answers with the status in the last path
// segment of its base address, and the close timed on a virtual clock.
struct Sending {
    testing::TempDir dir;
    testing::LoopbackServer server{[](const std::string& path, const testing::LoopbackServer::Send& send,
                                      const std::atomic<bool>&) {
        const int status = std::stoi(path.substr(1, path.find('/', 1) - 1));
        send(testing::httpAnswer(status, "ok"));
    }};
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::vector<QString> opened;
    std::vector<QString> copied;
    int dismissed = 0;
    std::unique_ptr<FeedbackSheet> sheet;

    // `base`: a path on this server ("/200"), or a whole address when it starts otherwise.
    explicit Sending(const std::string& where) {
        const std::string base = where.starts_with("/") ? server.url(where) : where;
        testing::writeText(dir / "root.pem", testing::testPki().rootPem);
        UpdateDownload::Options options;
        options.caFile = dir / "root.pem";
        FeedbackServices s;
        s.post = [options](const std::string& url, const std::string& body) {
            return UpdateDownload(options).post(url, body, "application/json", FeedbackModel::requestTimeout);
        };
        s.background = [](std::function<void()> work) { QThreadPool::globalInstance()->start(std::move(work)); };
        s.openUrl = [this](const QString& url) {
            opened.push_back(url);
            return true;
        };
        s.copy = [this](const QString& text) { copied.push_back(text); };
        s.appVersion = QStringLiteral("Versiunea 1.4.0");
        s.systemVersion = QStringLiteral("Linux 6.1.0");
        sheet = std::make_unique<FeedbackSheet>(FeedbackConfig{QString::fromStdString(base), "suport@vendrel.app"}, s,
                                                main, [this] { ++dismissed; });
        sheet->show();
    }
    // Typed text reaches the form as the editor reports it (key clicks carry ASCII only).
    void type(const char* message) { sheet->messageEditor()->insertPlainText(QString::fromUtf8(message)); }
    bool settle() {
        return QTest::qWaitFor([&] { return sheet->model().sendState() != SendState::sending; }, 30000);
    }
};

TEST(FeedbackSheet, status200SendsTheFiveMembersAndClosesAfterTheThanks) {
    Sending ok("/200");
    ok.type("  Mi-ar plăcea un export & mai rapid  ");
    QTest::keyClicks(ok.sheet->contactField(), " ana@x.ro ");
    ASSERT_TRUE(ok.sheet->sendButton()->isEnabled());
    QTest::mouseClick(ok.sheet->sendButton(), Qt::LeftButton);
    EXPECT_FALSE(ok.sheet->sendButton()->isEnabled()) << "disabled while sending";
    ASSERT_TRUE(ok.settle());
    EXPECT_EQ(ok.sheet->model().sendState(), SendState::sent);
    EXPECT_EQ(ok.sheet->sendButton()->text(), QString::fromUtf8("Trimis ✓"));
    EXPECT_FALSE(ok.sheet->sendButton()->isEnabled());
    EXPECT_EQ(ok.sheet->statusLabel()->text(), QString::fromUtf8("Mulțumim! Mesajul a ajuns la dezvoltator."));
    const auto request = ok.server.lastRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/200/v1/feedback");
    EXPECT_EQ(nlohmann::json::parse(request.body),
              (nlohmann::json{{"kind", "Feedback"}, {"message", "Mi-ar plăcea un export & mai rapid"},
                              {"contact", "ana@x.ro"}, {"app_version", "Versiunea 1.4.0"}, {"os", "Linux 6.1.0"}}));
    ok.main->advance(1799ms);
    EXPECT_EQ(ok.dismissed, 0);
    ok.main->advance(1ms);
    EXPECT_EQ(ok.dismissed, 1);
}

TEST(FeedbackSheet, anyOtherAnswerOrNoAnswerOffersMailAndCopy) {
    const std::string refused = [] {
        // An address nothing listens on: a server's port once it has stopped.
        auto closed = std::make_unique<testing::LoopbackServer>(
            [](const std::string&, const testing::LoopbackServer::Send&, const std::atomic<bool>&) {});
        const std::string url = closed->url("/200");
        closed.reset();
        return url;
    }();
    for (const std::string& base : {std::string("/201"), std::string("/204"), std::string("/500"), refused}) {
        Sending s(base);
        s.type("Ceva nu merge");
        EXPECT_FALSE(s.sheet->mailButton()->isVisible());
        QTest::mouseClick(s.sheet->sendButton(), Qt::LeftButton);
        ASSERT_TRUE(s.settle()) << base;
        EXPECT_EQ(s.sheet->model().sendState(), SendState::failed) << base;
        EXPECT_EQ(s.sheet->statusLabel()->text(),
                  QString::fromUtf8("Nu s-a putut trimite acum (verifică internetul). Îl poți trimite prin e-mail sau "
                                    "îl poți copia."));
        EXPECT_TRUE(s.sheet->mailButton()->isVisible()) << base;
        EXPECT_TRUE(s.sheet->copyButton()->isVisible()) << base;
        EXPECT_TRUE(s.sheet->sendButton()->isEnabled()) << "the user may send again";
        EXPECT_EQ(s.sheet->sendButton()->text(), QString::fromUtf8("Trimite"));
        s.main->advance(5s);
        EXPECT_EQ(s.dismissed, 0);
    }
}

TEST(FeedbackSheet, blankMessagesCannotBeSentAndTheFallbacksUseTheirTexts) {
    Sending s("https://127.0.0.1:1");
    s.sheet->messageEditor()->setPlainText(QString::fromUtf8(" \n\t\u2028 "));
    EXPECT_FALSE(s.sheet->sendButton()->isEnabled());
    QTest::mouseClick(s.sheet->addressButton(), Qt::LeftButton);
    ASSERT_EQ(s.opened.size(), 1u);
    EXPECT_EQ(s.opened[0], QString::fromUtf8("mailto:suport@vendrel.app?subject=Vendrel%20%E2%80%93%20Feedback&body=%0A%0A"
                                             "%E2%80%94%0AVersiune:%20Versiunea%201.4.0%0ALinux%206.1.0"));
    s.sheet->includeInfoSwitch()->click();
    s.type("x");
    EXPECT_TRUE(s.sheet->sendButton()->isEnabled());
    s.sheet->model().copyMessage();
    s.sheet->model().copyMessage();
    EXPECT_EQ(s.sheet->copyButton()->text(), QString::fromUtf8("Copiat"));
    ASSERT_EQ(s.copied.size(), 2u);
    EXPECT_EQ(s.copied.back(), QString::fromUtf8("suport@vendrel.app\nVendrel – Feedback\n\nx"));
    QTest::mouseClick(s.sheet->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(s.dismissed, 1);
}

TEST(FeedbackSheet, closingWhileARequestRunsChangesNothingLater) {
    orvane::testing::QueuedWork queued;
    auto main = std::make_shared<ManualExecutor>();
    int dismissed = 0;
    int posts = 0;
    FeedbackServices s;
    s.post = [&](const std::string&, const std::string&) {
        ++posts;
        return 200L;
    };
    s.background = [&](std::function<void()> work) { queued.work.push_back(std::move(work)); };
    auto sheet = std::make_unique<FeedbackSheet>(FeedbackConfig{"https://f.example", "suport@vendrel.app"}, s, main,
                                                 [&] { ++dismissed; });
    QTest::keyClicks(sheet->messageEditor(), "Salut");
    QTest::mouseClick(sheet->sendButton(), Qt::LeftButton);
    ASSERT_EQ(queued.work.size(), 1u);
    sheet.reset();  // closed while the request runs
    queued.finishAll();
    main->advance(5s);
    EXPECT_EQ(posts, 1) << "the request still completes";
    EXPECT_EQ(dismissed, 0) << "and closes nothing later";
}

TEST(FeedbackSheet, screenshotsLightAndDark) {
    if (!qEnvironmentVariableIsSet("ORVANE_WRITE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_WRITE_SCREENSHOTS to write docs/";
    kit::installUiFont();
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        FeedbackServices s;
        s.background = [](std::function<void()>) {};
        FeedbackSheet sheet(FeedbackConfig{"https://f.example", "suport@vendrel.app"}, s,
                            std::make_shared<ManualExecutor>(), {});
        sheet.show();
        sheet.messageEditor()->setPlainText(QString::fromUtf8("Ar fi util un filtru pentru fotografiile cu ochii închiși."));
        QApplication::processEvents();
        EXPECT_TRUE(sheet.grab().toImage().save(QString(ORVANE_SOURCE_DIR) + "/docs/feedback-" + (dark ? "dark" : "light") + ".png"));
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace
}  // namespace orvane::guide
