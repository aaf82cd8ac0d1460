#include "platform/resources.h"

#include <gio/gio.h>

#include "page_resources.h"

namespace duskmere::platform {

std::optional<std::string> embeddedResource(const std::string& relativePath) {
  const std::string path = "/duskmere/" + relativePath;
  GBytes* bytes = g_resource_lookup_data(duskmere_page_get_resource(), path.c_str(),
                                         G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (bytes == nullptr)
    return std::nullopt;
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::optional<std::string> contents;
  if (size > 0)
    contents.emplace(data, size);
  g_bytes_unref(bytes);
  return contents;
}

}  // namespace duskmere::platform
