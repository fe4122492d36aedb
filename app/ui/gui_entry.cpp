#include "app/ui/gui_entry.h"

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "app/qt/qsettings_store.h"
#include "app/ui/lumaprism_app.h"

namespace lp {

namespace {
bool EnvSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}
}  // namespace

bool DisplayAvailable() { return EnvSet("QT_QPA_PLATFORM") || EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY"); }

int RunGui(int argc, char** argv, const std::string& fileToOpen) {
    QApplication application(argc, argv);
    // Qt takes the locale from the environment; numbers in files and texts stay in "C".
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Lumaprism"));
    QApplication::setApplicationVersion(QStringLiteral(LP_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("lumaprism"));

    QSettingsStore store;
    CLumaprismApp::Services services;
    services.store = &store;
    int code = 0;
    {
        CLumaprismApp app(services);
        app.Startup(fileToOpen);
        code = QApplication::exec();
        app.ExitStep();
    }
    return code;
}

}  // namespace lp
