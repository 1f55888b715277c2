// The file a name stands for once the symbolic links in front of it are
// followed. A settings file kept elsewhere and linked into place is replaced
// where it lives, so the link stays a link.
#ifndef QUILLMERE_CONFIG_LINKTARGET_H
#define QUILLMERE_CONFIG_LINKTARGET_H

#include <string>

// Links followed at most, as the system itself limits chains of links.
constexpr int kMaxLinkHops = 40;

// Gives in `target` the name the chain of links starting at `path` ends at
// (`path` itself when it is no link; a link to a missing file ends at that
// file's name, a link's relative target is taken from the link's
// directory). False when the chain is longer than kMaxLinkHops (a loop) or
// a link cannot be read.
bool FollowLinks(const std::string &path, std::string &target);

#endif
