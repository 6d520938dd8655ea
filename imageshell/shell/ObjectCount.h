#pragma once

// Live COM objects, server locks, open viewers and running commands. The module may be unloaded only
// when this is zero. Every user runs on the thread that owns the shell's windows, so it is a plain int.
extern long ObjectCount;
