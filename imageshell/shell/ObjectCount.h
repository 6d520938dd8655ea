#pragma once

// Live COM objects, server locks, open viewers and running commands. The module may be unloaded only
// when this is zero. The shell calls in from its window thread, but a host may hand the extension's
// objects to another apartment thread, so the count is changed with interlocked operations.
extern long ObjectCount;

void ObjectCountUp();
void ObjectCountDown();

// Holds the module loaded for the lifetime of a command (a dialog, a print run).
class ObjectCountHold {
public:
  ObjectCountHold() { ObjectCountUp(); }
  ~ObjectCountHold() { ObjectCountDown(); }
  ObjectCountHold(const ObjectCountHold&) = delete;
  ObjectCountHold& operator=(const ObjectCountHold&) = delete;
};
