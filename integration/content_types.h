// The content types that the program claims: the archive and executable file extensions with the
// content type each is registered under, and the content types (those the plug-ins take, and the
// usual aliases) with the extension each is registered with.
#pragma once

#include <cstddef>

struct TContentTypePair {
    const char* extension;    // with its leading dot
    const char* contentType;
};

constexpr size_t TV_INTEGRATION_EXTENSION_COUNT = 18;
constexpr size_t TV_INTEGRATION_CONTENT_TYPE_COUNT = 35;

// Extension -> content type, in registration order; the last one is ".zip".
extern const TContentTypePair kIntegrationExtensions[TV_INTEGRATION_EXTENSION_COUNT];
// Content type -> extension, in registration order.
extern const TContentTypePair kIntegrationContentTypes[TV_INTEGRATION_CONTENT_TYPE_COUNT];
