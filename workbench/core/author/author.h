#pragma once

// The skin author's tools, measured against what the previews draw. Uses the preview, skin and
// platform layers.
//
//   skin_layout.h    SkinLayout: each catalogue file's role and the size the previews fix
//   skin_check.h     CheckSkin: a skin against the previews, the builder and the installation
//   skin_pack.h      PackSkin: a zip of exactly the files loading would take
//   skin_template.h  WriteSkinTemplate, TemplatePicture, TemplateReadme: a new skin to fill in
//   pixel_font.h     PixelFont: the built-in font of the template's pictures

#include "author/pixel_font.h"
#include "author/skin_check.h"
#include "author/skin_layout.h"
#include "author/skin_pack.h"
#include "author/skin_template.h"
