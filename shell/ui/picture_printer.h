#pragma once
// Printing a picture on a QPrinter: the one page painter behind printing and
// the print preview, the printer's capabilities as the print options see them,
// and the command line's print request.
#include <array>
#include <cstdint>
#include <string>

#include "imaging/picture.h"
#include "shell/print_settings.h"

class QPrinter;

namespace lp {

class ProgressSink;

/// The resolution and the printable area in dots of a printer whose own page
/// margins are zero (the print options keep the user's margins themselves).
PrinterCaps CapsOf(const QPrinter& printer);

/// Clears the printer's own page margins, so that its paint area is the whole
/// printable area and only the print options' margins count.
void ClearPageMargins(QPrinter& printer);

/// The margins (thousandths of an inch) a fresh page setup proposes.
std::array<std::int32_t, 4> DefaultPageMargins();

/// Paints every page of the run on a printer whose painting has not begun (print or
/// preview): the picture's parts drawn without smoothing, and with separations each
/// page's registration marks and plate label. Progress goes to the sink; between pages
/// the event loop runs so that the window stays alive. False with a reason when nothing
/// could be printed.
bool PaintPicturePages(QPrinter& printer, const Picture& picture, const PrintSettings& settings, ProgressSink* progress,
                       std::string* error);

/// Points the printer at the command line's choice: the default printer for an empty name,
/// an installed printer by name, or, for a name ending in ".pdf" that names no printer,
/// that PDF file. False with a reason when no such printer exists.
bool SelectPrinter(QPrinter& printer, const std::string& printerName, std::string* error);

/// The command line's print request: the file's picture at one printer dot per pixel on
/// the chosen printer, without any window. Failures are written to standard error.
/// Returns the exit code: 0 printed, 1 failed.
int PrintFileFromCommandLine(const std::string& file, const std::string& printerName);

}  // namespace lp
