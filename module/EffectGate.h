// Whether the window effects may change windows. The gate is open while
// the program runs and closes when it starts giving the windows back at
// exit: from then on every effect call is refused, so that script threads
// still running cannot change a window after it was given back.
#ifndef QUILLMERE_MODULE_EFFECTGATE_H
#define QUILLMERE_MODULE_EFFECTGATE_H

// Opens the gate for a new run of the program in this process.
void OpenEffects();
// Closes it; effect steps in progress finish, later ones are refused.
void CloseEffects();
bool EffectsOpen();

// True for the first refusal after the gate closed, false for every later
// one: the refusal is told once.
bool FirstRefusal();

#endif
