// The demonstration played when no scenario file is given.
#ifndef QUILLMERE_SIM_DEMO_SCENARIO_H
#define QUILLMERE_SIM_DEMO_SCENARIO_H

namespace quillmere::sim {

extern const char *const kDemoScenario;

}  // namespace quillmere::sim

#endif
