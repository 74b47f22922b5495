#pragma once

// Installs the factory that gives every XP_ProgressBar its accessibility interface: role
// ProgressBar, a value interface (the value, 0 and Max) and the caption as its value text.
// Once per process; later calls do nothing. The XP_ProgressBar constructor calls it.
void InstallProgressBarAccessibility();
