#pragma once

#include <optional>

#include "translations.h"

namespace testing_support {

// The German catalogues the test main installs for the whole run; a test that shows another
// language ends them first, so that none of their texts shows through, and brings them back.
std::optional<Translations>& TestCatalogues();

}  // namespace testing_support
