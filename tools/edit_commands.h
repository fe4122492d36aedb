#pragma once
// The picture-window edits of the view tools, run on the document so that each
// keeps the undo copy, marks the document changed and recounts its colours.
// The view only gathers the input (selection, colours, answers) and redraws.
#include <functional>

#include "base/colour.h"
#include "tools/selection_shape.h"
#include "tools/spot_remover.h"
#include "tools/view_tools.h"

namespace lp {

class COrvantixDoc;
class PictureClipboard;
class Prompter;
class ProgressSink;

/// Rotation of the current frame by the angle (positive: counter-clockwise on the
/// screen). With allFrames every other frame turns too and the logical screen grows
/// to the largest turned frame.
bool RotatePicture(COrvantixDoc& document, double angleDegrees, ColourRef background, bool allFrames = false);
/// "Flip Vertical" reverses every row (left-right), "Flip Horizontal" the order of rows.
bool FlipPicture(COrvantixDoc& document, bool reverseRows);
/// Paints the selection's covered pixels with the colour. False without a picture.
/// A transparent fill also gives a frame without a transparent colour this one, so
/// that the filled area is transparent when the picture is saved as GIF.
bool FillSelection(COrvantixDoc& document, const CSelectionShape& selection, ColourRef colour,
                   bool transparentFill = false);
/// The retouch pen's press: keeps the undo copy. Each stroke then draws in place.
bool BeginRetouch(COrvantixDoc& document);
void RetouchStroke(COrvantixDoc& document, ContourPoint from, ContourPoint to, int penWidth, ColourRef colour);
/// The release: recount colours, re-estimate sizes.
void EndRetouch(COrvantixDoc& document);
/// Replaces the picture by the selection's cut-out; false when the selection gives none.
bool CutOutSelection(COrvantixDoc& document, const CSelectionShape& selection, ColourRef transparent);
/// Copy with a selection: the clipboard receives the picture cut-out would make; the
/// document stays as it is. False when the selection gives no cut-out.
bool CopySelection(COrvantixDoc& document, PictureClipboard& clipboard, const CSelectionShape& selection,
                   ColourRef transparent);

/// Manual resize's release: the picture resized to the size (smart or plain resampling),
/// the old one kept for undo. An unchanged size does nothing and gives false.
bool ResizePictureTo(COrvantixDoc& document, SizeWH size, bool smart, ProgressSink* progress = nullptr);

/// Free-hand rotation: Begin keeps the undo copy once; each Step turns the whole picture
/// (selection null or empty) or the selected rectangle/ellipse area.
bool BeginFreeHandRotation(COrvantixDoc& document);
void FreeHandRotationStep(COrvantixDoc& document, const CSelectionShape* selection, double angleDegrees,
                          ColourRef background);

/// The spot remover command: on the rectangle of a rectangle or ellipse selection, or,
/// after the question, on the whole picture. Returns the pixels replaced, or -1 when
/// nothing ran (declined, outside the picture, no picture).
long RemoveSpots(COrvantixDoc& document, Prompter& prompter, const CSelectionShape* selection,
                 const SpotRemoverParams& params);

}  // namespace lp
