#include "model/PriceUpdate.h"

#include "catalogue/Statements.h"
#include "catalogue/UpdateRecords.h"

namespace mercanota {
namespace {

// Runs one record inside the transaction; the steps for the window are collected on the way.
UpdateOutcome ApplyRecord(CatalogueDatabase& db, const std::string& record, UpdateResult* result) {
  update::Record d;
  switch (update::DecodeRecord(record, &d)) {
    case update::DecodeStatus::kTooShort: return UpdateOutcome::kFailed;
    case update::DecodeStatus::kMissingSeparator: return UpdateOutcome::kMalformed;
    case update::DecodeStatus::kOk: break;
  }
  switch (d.tag) {
    case update::Tag::kProd: {
      Recordset rows;
      if (!db.CreateSnapshot(sql::SelectIdOfEntry(d.price.name, d.price.brand, d.price.complement), &rows)) {
        return UpdateOutcome::kFailed;
      }
      // Of several equal entries, the first is the one updated.
      std::string statement;
      bool ok;
      if (!rows.Eof()) {
        ++result->updated;
        const long long id = rows.Fields("ID_Produto").AsInteger();
        ok = update::PriceStatement(d.price, &id, &statement);
      } else {
        ++result->inserted;
        ok = update::PriceStatement(d.price, nullptr, &statement);
      }
      if (!ok || !db.Execute(statement)) return UpdateOutcome::kFailed;
      break;
    }
    case update::Tag::kMnsg: result->steps.push_back({UpdateStep::Kind::kMessage, d.body, 0}); break;
    case update::Tag::kTemp:
      result->steps.push_back({UpdateStep::Kind::kPause, {}, update::PauseSeconds(d.body)});
      break;
    case update::Tag::kInfo: result->steps.push_back({UpdateStep::Kind::kStatus, d.body, 0}); break;
    case update::Tag::kOther: break;
  }
  return UpdateOutcome::kApplied;
}

}  // namespace

UpdateOutcome PriceUpdate::Prepare(std::string fetched) {
  while (!fetched.empty() && (fetched.back() == '\n' || fetched.back() == '\r')) fetched.pop_back();
  text_ = std::move(fetched);
  std::string last;
  if (file_.ReadFirstLine(&last) && last == text_) return UpdateOutcome::kSameAsLast;
  return file_.Prepare(text_ + "\r\n") ? UpdateOutcome::kReady : UpdateOutcome::kFileNotWritable;
}

UpdateResult PriceUpdate::Apply() {
  UpdateResult result;
  const auto fail = [&](UpdateOutcome outcome) {
    db_.Rollback();
    file_.Discard();
    result.outcome = outcome;
    result.steps.clear();
    return result;
  };
  std::vector<std::string> records;
  if (!update::SplitRecords(update::FirstLine(text_), &records)) return fail(UpdateOutcome::kFailed);
  // A write-protected catalogue would take the transaction and refuse its first record.
  if (db_.IsReadOnly()) return fail(UpdateOutcome::kReadOnly);
  if (!db_.BeginTrans()) return fail(UpdateOutcome::kFailed);
  for (const std::string& record : records) {
    const UpdateOutcome outcome = ApplyRecord(db_, record, &result);
    if (outcome != UpdateOutcome::kApplied) return fail(outcome);
  }
  if (!db_.CommitTrans()) return fail(UpdateOutcome::kFailed);
  if (!file_.Replace()) {
    // Checked before anything was applied, so only a change made meanwhile by someone else lands here.
    file_.Discard();
    result.outcome = UpdateOutcome::kAppliedNotKept;
    return result;
  }
  result.outcome = UpdateOutcome::kApplied;
  return result;
}

}  // namespace mercanota
