// KitGallery: shows every component of the visual kit. With --screenshot FILE it saves a still
// instead, in the appearance and style given by --dark and --flat; with --controls FILE a still of
// the plain controls (alert, menu, text field, tooltip) in the application style.
#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

#include "app/gallery/controls_still.h"
#include "app/gallery/gallery.h"
#include "app/kit/fonts.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("The visual kit in one window.");
    parser.addHelpOption();
    QCommandLineOption dark("dark", "Dark appearance (screenshots).");
    QCommandLineOption flat("flat", "Flat style (screenshots).");
    QCommandLineOption screenshot("screenshot", "Save a still to <file> and quit.", "file");
    QCommandLineOption controls("controls", "Save a still of the plain controls in the application style to <file> and quit.", "file");
    parser.addOptions({dark, flat, screenshot, controls});
    parser.process(app);

    if (parser.isSet(controls)) {
        const QImage image = orvane::gallery::renderApplicationControls(parser.isSet(dark));
        if (!image.save(parser.value(controls))) {
            std::fprintf(stderr, "KitGallery: could not write %s\n", qPrintable(parser.value(controls)));
            return 1;
        }
        return 0;
    }

    if (parser.isSet(screenshot)) {
        const QImage image = orvane::gallery::renderKitGallery(parser.isSet(dark), parser.isSet(flat));
        if (!image.save(parser.value(screenshot))) {
            std::fprintf(stderr, "KitGallery: could not write %s\n", qPrintable(parser.value(screenshot)));
            return 1;
        }
        return 0;
    }
    orvane::kit::installUiFont();
    auto gallery = orvane::gallery::makeKitGallery(false);
    gallery->resize(orvane::gallery::gallerySize);
    gallery->show();
    return app.exec();
}
