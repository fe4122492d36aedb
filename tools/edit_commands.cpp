#include "tools/edit_commands.h"

#include "base/prompter.h"
#include "document/picture_document.h"
#include "imaging/resize.h"
#include "imaging/rotate.h"
#include "tools/picture_edits.h"

namespace lp {

bool RotatePicture(COrvantixDoc& document, double angleDegrees, ColourRef background, bool allFrames) {
    if (!document.ApplyEdit([&](Picture& p) { Rotate(p, angleDegrees, background); })) return false;
    if (allFrames && document.FrameCount() > 1) {
        RotateOtherFrames(document.Frames(), document.AnimationInfo(), document.CurrentFrame(), angleDegrees,
                          background);
        document.PictureChanged();
    }
    return true;
}

bool FlipPicture(COrvantixDoc& document, bool reverseRows) {
    // Mirror's horizontal flag is the left-right mirror.
    return document.ApplyEdit([&](Picture& p) { Mirror(p, reverseRows); });
}

bool FillSelection(COrvantixDoc& document, const CSelectionShape& selection, ColourRef colour,
                   bool transparentFill) {
    if (!document.ApplyEdit([&](Picture& p) { selection.Fill(p, colour); })) return false;
    if (transparentFill) {
        GifFrame& frame = document.Frames()[document.CurrentFrame()];
        if (frame.transparentColour == kNoColour) {
            frame.transparentColour = colour;
            document.PictureChanged();
        }
    }
    return true;
}

bool BeginRetouch(COrvantixDoc& document) {
    if (!document.GetPicture()) return false;
    document.RememberForUndo();
    return true;
}

void RetouchStroke(COrvantixDoc& document, ContourPoint from, ContourPoint to, int penWidth, ColourRef colour) {
    if (Picture* p = document.GetPicture()) DrawPenLine(*p, from, to, penWidth, colour);
}

void EndRetouch(COrvantixDoc& document) {
    document.SetModifiedFlag(true);
    document.PictureChanged();
}

bool CutOutSelection(COrvantixDoc& document, const CSelectionShape& selection, ColourRef transparent) {
    const Picture* picture = document.GetPicture();
    if (!picture) return false;
    std::optional<Picture> cut = CutOut(*picture, selection, transparent);
    if (!cut) return false;
    return document.ApplyEdit([&](Picture& p) { p = std::move(*cut); });
}

bool CopySelection(COrvantixDoc& document, PictureClipboard& clipboard, const CSelectionShape& selection,
                   ColourRef transparent) {
    const Picture* picture = document.GetPicture();
    if (!picture) return false;
    const std::optional<Picture> cut = CutOut(*picture, selection, transparent);
    return cut && document.PutOnClipboard(clipboard, *cut);
}

bool ResizePictureTo(COrvantixDoc& document, SizeWH size, bool smart, ProgressSink* progress) {
    const Picture* picture = document.GetPicture();
    if (!picture || size.width < 1 || size.height < 1) return false;
    if (picture->Width() == size.width && picture->Height() == size.height) return false;
    return document.ApplyEdit([&](Picture& p) {
        if (smart)
            SmartResize(p, size.width, size.height, progress);
        else
            Resize(p, size.width, size.height);
    });
}

bool BeginFreeHandRotation(COrvantixDoc& document) {
    if (!document.GetPicture()) return false;
    document.RememberForUndo();
    return true;
}

void FreeHandRotationStep(COrvantixDoc& document, const CSelectionShape* selection, double angleDegrees,
                          ColourRef background) {
    Picture* picture = document.GetPicture();
    if (!picture) return;
    if (selection && (selection->Kind() == SelectionKind::Polygon || selection->Kind() == SelectionKind::MagicWand))
        return;
    if (selection && !selection->Bounds().Empty())
        RotateArea(*picture, selection->Bounds(), selection->Kind() == SelectionKind::Ellipse, angleDegrees,
                   background);
    else
        Rotate(*picture, angleDegrees, background);
    document.SetModifiedFlag(true);
    document.PictureChanged();
}

long RemoveSpots(COrvantixDoc& document, Prompter& prompter, const CSelectionShape* selection,
                 const SpotRemoverParams& params) {
    const Picture* picture = document.GetPicture();
    if (!picture) return -1;
    SelectionBox region{};
    if (selection && (selection->Kind() == SelectionKind::Rectangle || selection->Kind() == SelectionKind::Ellipse))
        region = selection->Bounds();
    const std::int32_t w = picture->Width(), h = picture->Height();
    if (region.left == region.right && region.top == region.bottom) {
        if (prompter.Ask("No Area Selected. Do you Want to Remove the Spots from the entire Bitmap?", "Lumaprism",
                         PromptButtons::YesNo, PromptAnswer::Yes) != PromptAnswer::Yes)
            return -1;
        region = {0, 0, w, h};
    } else if (region.left < 0 || region.left > w) {
        prompter.Message("Please select an area within the picture region", "Lumaprism", PromptIcon::Exclamation);
        return -1;
    } else if (region.top < 0 || region.top > h) {
        return -1;
    }
    std::size_t replaced = 0;
    if (!document.ApplyEdit([&](Picture& p) {
            replaced = CSpotRemover(region.left, region.top, region.right, region.bottom, p).Run(params);
        }))
        return -1;
    return long(replaced);
}

}  // namespace lp
