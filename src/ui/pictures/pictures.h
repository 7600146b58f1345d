#pragma once
// The picture resources embedded in the program (see picture_names.h).

#include "services/core/value.h"
#include "ui/pictures/picture_names.h"

#include <string_view>

// The bytes of the picture file called name (a Pictures:: constant), as
// stored: JPEG or GIF. Empty for a name that is not one of ours.
Bytes PictureResource(std::string_view name);
