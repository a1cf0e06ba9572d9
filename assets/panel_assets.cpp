#include "panel_assets.h"

// Each .inc is generated at build time from the JPEG file of the same name in this folder.
namespace {

const unsigned char kPanelPicture[] = {
#include "panel_picture.inc"
};

const unsigned char kLabelTile[] = {
#include "label_tile.inc"
};

const unsigned char kRewriteFace[] = {
#include "rewrite_face.inc"
};

const unsigned char kRewriteFaceHot[] = {
#include "rewrite_face_hot.inc"
};

}  // namespace

EmbeddedJpeg panelPictureJpeg() {
    return {kPanelPicture, sizeof kPanelPicture};
}
EmbeddedJpeg labelTileJpeg() {
    return {kLabelTile, sizeof kLabelTile};
}
EmbeddedJpeg rewriteFaceJpeg() {
    return {kRewriteFace, sizeof kRewriteFace};
}
EmbeddedJpeg rewriteFaceHotJpeg() {
    return {kRewriteFaceHot, sizeof kRewriteFaceHot};
}
