// The price update as one operation on a real SQLite catalogue: what it applies, what it keeps, what it
// asks the window to show, and that whatever stops it applies nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/CatalogueDatabase.h"
#include "catalogue/Regional.h"
#include "catalogue/Statements.h"
#include "model/PriceUpdate.h"

namespace {

using namespace mercanota;

// The kept text in memory, with the failures a real file can have.
struct KeptText : UpdateFile {
  bool exists = false;
  std::string kept;
  std::string prepared;
  bool hasPrepared = false;
  bool canPrepare = true;
  bool canReplace = true;

  bool ReadFirstLine(std::string* line) override {
    if (!exists) return false;
    *line = kept.substr(0, kept.find_first_of("\r\n"));
    return true;
  }
  bool Prepare(const std::string& text) override {
    if (!canPrepare) return false;
    prepared = text;
    hasPrepared = true;
    return true;
  }
  bool Replace() override {
    if (!canReplace) return false;
    kept = prepared;
    exists = true;
    hasPrepared = false;
    return true;
  }
  void Discard() override { hasPrepared = false; }
};

const char kApplied[] = "PROD;Arroz;Vale Verde;5 kg;23,9;05/12/2026;* PROD;Leite;Serra;1 l;4,5;05/12/2026;* ";

class PriceUpdateOnFile : public testing::Test {
protected:
  void SetUp() override {
    SetRegional(RegionalSettings::PortugueseBrazil());
    path_ = testing::TempDir() + "mercanota_update_" + testing::UnitTest::GetInstance()->current_test_info()->name() +
            ".mdb";
    std::string error;
    ASSERT_TRUE(CatalogueDatabase::CreateCatalogueFile(path_, true, &error)) << error;
    ASSERT_TRUE(db_.OpenDatabase(path_)) << db_.LastErrorText();
    // Identifiers 1 to 3; 3 has the name, brand and complement of 1.
    ASSERT_TRUE(db_.Execute(sql::InsertProduct("Arroz", "Vale Verde", "5 kg", "01/03/2025", "22,45")));
    ASSERT_TRUE(db_.Execute(sql::InsertProduct("Feij\xE3o", "<N\xE3o Possue>", "<Nenhum>", "01/03/2025", "8,5")));
    ASSERT_TRUE(db_.Execute(sql::InsertProduct("Arroz", "Vale Verde", "5 kg", "01/03/2025", "19")));
  }
  void TearDown() override {
    db_.Close();
    std::remove(path_.c_str());
  }

  std::vector<std::string> Rows() {
    Recordset r;
    EXPECT_TRUE(db_.CreateSnapshot("Select * From Produtos", &r));
    std::vector<std::string> rows;
    for (; !r.Eof(); r.MoveNext()) {
      std::string row = r.Fields("ID_Produto").AsText();
      for (const char* c : {"Produto", "Marca", "Complemento", "DataPesquisa", "PrecoUnitario"}) {
        row += "|" + r.Fields(c).AsText();
      }
      rows.push_back(row);
    }
    return rows;
  }

  UpdateResult Run(const std::string& fetched, UpdateOutcome* prepared = nullptr) {
    PriceUpdate update(db_, file_);
    const UpdateOutcome p = update.Prepare(fetched);
    if (prepared) *prepared = p;
    if (p != UpdateOutcome::kReady) {
      UpdateResult r;
      r.outcome = p;
      return r;
    }
    return update.Apply();
  }

  std::string path_;
  CatalogueDatabase db_;
  KeptText file_;
};

std::vector<std::string> Steps(const UpdateResult& r) {
  std::vector<std::string> out;
  for (const UpdateStep& s : r.steps) {
    switch (s.kind) {
      case UpdateStep::Kind::kMessage: out.push_back("MNSG " + s.text); break;
      case UpdateStep::Kind::kPause: out.push_back("TEMP " + NumberToText(s.seconds)); break;
      case UpdateStep::Kind::kStatus: out.push_back("INFO " + s.text); break;
    }
  }
  return out;
}

// A first update inserts and updates (the first of two equal entries only), stores an attempt to alter
// the statements as a plain name, and returns its messages, pauses and status lines in order; the text is
// kept. The same text again, even with a line break at its end, is recognised; a text without records
// changes nothing and is kept.
TEST_F(PriceUpdateOnFile, AppliesOnceAndReturnsWhatToShow) {
  const std::string text =
      "MNSG Ol\xE1, cliente!* INFO Atualizando pre\xE7os* TEMP 30* TEMP abc* "
      "PROD;Arroz;Vale Verde;5 kg;23,90;05/12/2026;* PROD;Leite;Serra;1 l;4,5;05/12/2026;* "
      "PROD;Arroz' Or '1'='1;\") Or (\"1\"=\"1;<Nenhum>;1;05/12/2026;* XXXX ignorado* ";
  UpdateResult r = Run(text + "\n");
  EXPECT_EQ(r.outcome, UpdateOutcome::kApplied);
  EXPECT_EQ(r.inserted, 2);
  EXPECT_EQ(r.updated, 1);
  EXPECT_EQ(Steps(r),
            (std::vector<std::string>{"MNSG Ol\xE1, cliente!", "INFO Atualizando pre\xE7os", "TEMP 30", "TEMP 0"}));
  const std::vector<std::string> expected = {
      "1|Arroz|Vale Verde|5 kg|05/12/2026|23,9",
      "2|Feij\xE3o|<N\xE3o Possue>|<Nenhum>|01/03/2025|8,5",
      "3|Arroz|Vale Verde|5 kg|01/03/2025|19",
      "4|Leite|Serra|1 l|05/12/2026|4,5",
      "5|Arroz' Or '1'='1|\") Or (\"1\"=\"1|<Nenhum>|05/12/2026|1",
  };
  EXPECT_EQ(Rows(), expected);
  EXPECT_EQ(file_.kept, text + "\r\n");
  EXPECT_FALSE(db_.InTransaction());

  for (const std::string& again : {text, text + "\r\n"}) {
    r = Run(again);
    EXPECT_EQ(r.outcome, UpdateOutcome::kSameAsLast);
    EXPECT_FALSE(file_.hasPrepared);
  }
  r = Run("INFO sem asterisco");
  EXPECT_EQ(r.outcome, UpdateOutcome::kApplied);
  EXPECT_EQ(r.inserted + r.updated, 0);
  EXPECT_TRUE(r.steps.empty());
  EXPECT_EQ(Rows(), expected);
  EXPECT_EQ(file_.kept, "INFO sem asterisco\r\n");
}

// Whatever stops an update, after records that were already applied, leaves the catalogue and the kept
// text as they were, returns nothing to show and leaves no transaction open.
TEST_F(PriceUpdateOnFile, WhateverStopsItAppliesNothing) {
  std::string tooMany = kApplied;
  for (int i = 0; i < 999; ++i) tooMany += "INFO x* ";
  CatalogueDatabase other;
  const struct {
    const char* what;
    std::string text;
    UpdateOutcome outcome;
    std::function<void()> prepare;
    std::function<void()> undo;
  } cases[] = {
      {"a price that is no number",
       std::string(kApplied) + "MNSG antes* PROD;Sal;Litoral;1 kg;barato;05/12/2026;* ",
       UpdateOutcome::kFailed,
       {},
       {}},
      {"a record too short", std::string(kApplied) + "OK* ", UpdateOutcome::kFailed, {}, {}},
      {"a malformed price record, then more",
       std::string(kApplied) + "PROD;Sal;Litoral* MNSG depois* ",
       UpdateOutcome::kMalformed,
       {},
       {}},
      {"more than a thousand records", tooMany, UpdateOutcome::kFailed, {}, {}},
      {"the kept text cannot be written", kApplied, UpdateOutcome::kFileNotWritable, [&] { file_.canPrepare = false; },
       [&] { file_.canPrepare = true; }},
      {"the catalogue locked by another program", kApplied, UpdateOutcome::kFailed,
       [&] { ASSERT_TRUE(other.OpenDatabase(path_) && other.BeginTrans()); }, [&] { other.Close(); }},
      {"a write-protected catalogue", kApplied, UpdateOutcome::kReadOnly,
       [&] {
         db_.Close();
         ASSERT_TRUE(db_.OpenDatabase("file:" + path_ + "?mode=ro"));
       },
       [&] { ASSERT_TRUE(db_.OpenDatabase(path_)); }},
  };
  const auto rows = Rows();
  for (const auto& c : cases) {
    if (c.prepare) c.prepare();
    const UpdateResult r = Run(c.text);
    if (c.undo) c.undo();
    EXPECT_EQ(r.outcome, c.outcome) << c.what;
    EXPECT_TRUE(r.steps.empty()) << c.what;
    EXPECT_EQ(Rows(), rows) << c.what;
    EXPECT_FALSE(file_.exists) << c.what;
    EXPECT_FALSE(file_.hasPrepared) << c.what;
    EXPECT_FALSE(db_.InTransaction()) << c.what;
  }
}

// The kept text that cannot be replaced once the catalogue took the update (changed meanwhile by someone
// else): the update stays applied, and the window learns that the next one may repeat it.
TEST_F(PriceUpdateOnFile, AppliedButNotKept) {
  file_.exists = true;
  file_.kept = "INFO antigo* \r\n";
  file_.canReplace = false;
  const UpdateResult r = Run(std::string("MNSG oi* ") + kApplied);
  EXPECT_EQ(r.outcome, UpdateOutcome::kAppliedNotKept);
  EXPECT_EQ(Steps(r), std::vector<std::string>{"MNSG oi"});
  EXPECT_EQ(Rows()[0], "1|Arroz|Vale Verde|5 kg|05/12/2026|23,9");
  EXPECT_EQ(file_.kept, "INFO antigo* \r\n");
  EXPECT_FALSE(file_.hasPrepared);
}

}  // namespace
