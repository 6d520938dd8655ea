#pragma once
// The price update as one operation over the fetched text: compare it with the text kept from the last
// update (atualiza.dat), apply every record in one transaction, keep the new text, and return what the
// window is to show.
//
// An update is applied whole or not at all: anything that stops it (a bad record, a catalogue that refuses
// a statement or cannot be written, a kept file that cannot be written) leaves the catalogue and the kept
// text as they were, so the next attempt fetches and applies the same text again. The messages, pauses and
// status lines the text asks for are returned in their order, to be shown once the transaction is over:
// the catalogue is never held locked while a message box waits for the user or a pause runs.
#include <string>
#include <vector>

#include "catalogue/CatalogueDatabase.h"

namespace mercanota {

// The kept text of the last update, wherever the program keeps it.
class UpdateFile {
public:
  virtual ~UpdateFile() = default;
  // The first line of the kept text; false when there is none or it cannot be read.
  virtual bool ReadFirstLine(std::string* line) = 0;
  // Writes `text` beside the kept one, ready to replace it; false when the kept text could not then be
  // replaced, or the new one not written.
  virtual bool Prepare(const std::string& text) = 0;
  // The prepared text becomes the kept one.
  virtual bool Replace() = 0;
  // The prepared text is thrown away.
  virtual void Discard() = 0;
};

// Something the update text asks the window to show, in the order it comes.
struct UpdateStep {
  enum class Kind { kMessage, kPause, kStatus };
  Kind kind = Kind::kMessage;
  std::string text;    // the message or the status line
  double seconds = 0;  // the pause
};

enum class UpdateOutcome {
  kReady,            // Prepare: the text is new and ready to be applied
  kSameAsLast,       // Prepare: the text is the one applied last time; nothing to do
  kFileNotWritable,  // Prepare: the kept text cannot be replaced; nothing applied
  kApplied,          // applied and kept
  kAppliedNotKept,   // applied, but the kept text could not be replaced (the next update may repeat it)
  kMalformed,        // a price record without its five fields; nothing applied
  kReadOnly,         // the catalogue is write-protected; nothing applied
  kFailed,           // too many records, a record too short or with a price that is no number, or the
                     // catalogue refused a statement; nothing applied
};

struct UpdateResult {
  UpdateOutcome outcome = UpdateOutcome::kFailed;
  int inserted = 0;
  int updated = 0;
  std::vector<UpdateStep> steps;  // when applied
};

class PriceUpdate {
public:
  PriceUpdate(CatalogueDatabase& db, UpdateFile& file) : db_(db), file_(file) {}

  // Takes the fetched text (a line break at its end is dropped: a server that ends its file with one sends
  // the same update as one that does not), compares it with the kept one and prepares it to be kept.
  UpdateOutcome Prepare(std::string fetched);
  // Applies the prepared text; call after Prepare said kReady.
  UpdateResult Apply();

private:
  CatalogueDatabase& db_;
  UpdateFile& file_;
  std::string text_;
};

}  // namespace mercanota
