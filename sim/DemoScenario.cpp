#include "DemoScenario.h"

namespace quillmere::sim {

const char *const kDemoScenario = R"demo(# A tour: three applications, the program with the example script, and a
# user clicking between them. A window that loses the focus to another
# application rolls up to its caption bar and turns translucent; it rolls
# down when the focus comes back. Windows titled with "Keep" are left alone.
app editor
app browser
app notes
window editor editor "Editor - plan.txt" rect=60,60,560,460
window browser browser "Browser - news" rect=300,120,980,700
window list notes "Keep: shopping list" rect=700,80,1000,400
start
focus editor
focus browser      # the editor loses the focus to another application
expect editor height=27 thickframe=no alpha=128
focus editor       # back again: the editor rolls down, the browser rolls up
expect editor height=400 thickframe=yes alpha=255
expect browser height=27
focus list         # the list is never managed, but the editor still rolls up
expect list height=320 alpha=255
expect editor height=27
title list "Keep: shopping list (2 items)"
focus browser
expect browser height=580 alpha=255
)demo";

}  // namespace quillmere::sim
