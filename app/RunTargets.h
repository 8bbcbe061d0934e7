#pragma once

// Updates the language table of every target in order. An error ends the run
// at the failing target, after its object has been released.
void RunTargets();
