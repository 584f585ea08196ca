// The places a file browser starts from, in place of drive letters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kolm::platform {

// "/", the user's home folder, the working folder and the mount points of
// removable media (below /media, /run/media and /mnt), in this order and
// each once. Paths are absolute, without a trailing "/" ("/" itself aside).
std::vector<std::string> list_roots();

// The mount points in the text of a mount table (the format of
// /proc/self/mounts: device, mount point with octal escapes, type, ...)
// that lie below /media, /run/media or /mnt.
std::vector<std::string> media_mount_points(std::string_view mounts);

}  // namespace kolm::platform
