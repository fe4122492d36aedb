#include "app/ui/gui_entry.h"

#include <QApplication>
#include <clocale>
#include <type_traits>

#include "app/gui_module.h"
#include "app/ini_settings_store.h"
#include "app/ui/lumaprism_app.h"
#include "shell/ui/picture_printer.h"

namespace lp {

int RunGui(int argc, char** argv, const std::string& fileToOpen) {
    QApplication application(argc, argv);
    // Qt takes the locale from the environment; numbers in files and texts stay in "C".
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Lumaprism"));
    QApplication::setApplicationVersion(QStringLiteral(LP_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("lumaprism"));

    IniSettingsStore store;
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

int RunGuiPrint(int argc, char** argv, const std::string& file, const std::string& printer) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Lumaprism"));
    QApplication::setApplicationVersion(QStringLiteral(LP_VERSION_TEXT));
    return PrintFileFromCommandLine(file, printer);
}

}  // namespace lp

// The window module's exported symbols; everything else in the module is
// hidden, so its copy of the core never mixes with the executable's.
extern "C" __attribute__((visibility("default"))) int lumaprism_gui_main(int argc, char** argv,
                                                                         const char* fileToOpen) {
    static_assert(std::is_same_v<decltype(&lumaprism_gui_main), lp::GuiEntryFunction>);
    return lp::RunGui(argc, argv, fileToOpen ? std::string(fileToOpen) : std::string());
}

extern "C" __attribute__((visibility("default"))) int lumaprism_gui_print(int argc, char** argv, const char* file,
                                                                          const char* printer) {
    static_assert(std::is_same_v<decltype(&lumaprism_gui_print), lp::GuiPrintFunction>);
    return lp::RunGuiPrint(argc, argv, file ? std::string(file) : std::string(),
                           printer ? std::string(printer) : std::string());
}
