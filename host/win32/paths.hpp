// Universal names of paths on network mounts: the mount table's entries and the name a path has
// on the machine that serves it.
#pragma once

#include <string>
#include <vector>

namespace pixmend::host {

struct Mount {
  std::string source;  // "//server/share" (SMB) or "server:/export" (NFS), or a local device
  std::string point;   // where it is mounted
};

// The mounts of this process ("/proc/self/mounts").
std::vector<Mount> currentMounts();

// "//server/share/rest" for a path under a network mount (the innermost one that holds it), ""
// for a local path. The path is taken as given (absolute, no "..").
std::string universalName(const std::vector<Mount>& mounts, const std::string& path);

}  // namespace pixmend::host
