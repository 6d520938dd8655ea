// The masked entry box's rules: what it accepts as a whole text, and how typing, Backspace, Delete and
// pasting change its text and caret.
#include "catalogue/MascaraDeEntrada.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using mercanota::MascaraDeEntrada;

const MascaraDeEntrada kData("##/##/####", '_');

TEST(MascaraDeEntrada, WholeTextsFitOrLeaveTheBoxEmpty) {
  struct Caso {
    const char* texto;
    const char* mostrado;
  };
  const Caso casos[] = {
      {"12/03/2025", "12/03/2025"}, {"__/03/____", "__/03/____"},  // partly typed
      {"__/__/____", "__/__/____"}, {"", "__/__/____"},
      {"1/3/2025", "__/__/____"},  // never spread over the places: that would be another date
      {"12-03-2025", "__/__/____"}, {"12/03/20255", "__/__/____"},
      {"ab/cd/efgh", "__/__/____"}, {"12/03/2\"25", "__/__/____"},
  };
  for (const Caso& c : casos) EXPECT_EQ(kData.Ajusta(c.texto), c.mostrado) << c.texto;
  EXPECT_TRUE(kData.Vazia("__/__/____"));
  EXPECT_FALSE(kData.Vazia("__/__/___1"));
}

// Keys as a script: characters are typed, '\b' is Backspace, '\x7f' is Delete.
struct Roteiro {
  const char* nome;
  const char* texto;  // the text before; the empty mask when null
  size_t inicio, fim;
  const char* teclas;
  const char* esperado;
  size_t cursor;
  int recusadas;
};

TEST(MascaraDeEntrada, KeysChangeTextAndCaretByTheRules) {
  const Roteiro roteiros[] = {
      {"digits skip the slashes", nullptr, 0, 0, "12032025", "12/03/2025", 10, 0},
      {"typed slashes are taken as read", nullptr, 0, 0, "12/03/2025", "12/03/2025", 10, 0},
      {"a letter is refused", nullptr, 0, 0, "1a2", "12/__/____", 3, 1},
      {"nothing after the last place", "12/03/2025", 10, 10, "1", "12/03/2025", 10, 1},
      {"typing overwrites", "12/03/2025", 0, 0, "3", "32/03/2025", 1, 0},
      {"typing over a selection empties it first", "12/03/2025", 0, 10, "3", "3_/__/____", 1, 0},
      {"backspace empties the place before", nullptr, 0, 0, "12\b", "1_/__/____", 1, 0},
      {"backspace steps over a slash", "12/03/2025", 10, 10, "\b\b\b\b\b", "12/0_/____", 4, 0},
      {"backspace at the start does nothing", nullptr, 0, 0, "\b", "__/__/____", 0, 1},
      {"delete empties the next place", "12/03/2025", 2, 2, "\x7f", "12/_3/2025", 2, 0},
      {"delete empties a selection", "12/03/2025", 3, 8, "\x7f", "12/__/__25", 3, 0},
      {"delete at the end does nothing", "12/03/2025", 10, 10, "\x7f", "12/03/2025", 10, 1},
      // A state the window may report out of step is brought back within the rules.
      {"selection past the end", "12/03/2025", 7, 99, "9", "12/03/29__", 8, 0},
      {"selection backwards", "12/03/2025", 5, 0, "\x7f", "__/__/2025", 0, 0},
      {"text of another shape", "junk", 0, 0, "1", "1_/__/____", 1, 0},
  };
  for (const Roteiro& r : roteiros) {
    MascaraDeEntrada::Estado e{r.texto ? r.texto : kData.Vazio(), r.inicio, r.fim};
    int recusadas = 0;
    for (const char* t = r.teclas; *t; ++t) {
      const bool aceita = *t == '\b' ? kData.Apaga(e) : *t == '\x7f' ? kData.Exclui(e) : kData.Digita(e, *t);
      if (!aceita) ++recusadas;
    }
    EXPECT_EQ(e.texto, r.esperado) << r.nome;
    EXPECT_EQ(e.inicio, r.cursor) << r.nome;
    EXPECT_EQ(e.fim, r.cursor) << r.nome;
    EXPECT_EQ(recusadas, r.recusadas) << r.nome;
  }
}

TEST(MascaraDeEntrada, PastingTypesWhatFitsAndLeavesTheRest) {
  MascaraDeEntrada::Estado e{kData.Vazio(), 0, 0};
  EXPECT_TRUE(kData.Cola(e, "07/12/2026"));
  EXPECT_EQ(e.texto, "07/12/2026");

  e = {"07/12/2026", 0, 10};
  EXPECT_FALSE(kData.Cola(e, "\"hoje\""));
  EXPECT_EQ(e.texto, "__/__/____") << "the selection goes even when nothing of the paste fits";

  e = {kData.Vazio(), 6, 6};
  EXPECT_TRUE(kData.Cola(e, "2026 and more"));
  EXPECT_EQ(e.texto, "__/__/2026");
}

TEST(MascaraDeEntrada, OtherPlaceholders) {
  // Letters (accented ones too), a literal, a digit, a letter or digit, a digit, anything printable.
  const MascaraDeEntrada placa("???-#A#&", '*');
  EXPECT_EQ(placa.Vazio(), "***-****");
  MascaraDeEntrada::Estado e{placa.Vazio(), 0, 0};
  int recusadas = 0;
  for (char c : std::string("ab\xE7"
                            "1Zx3!"))
    recusadas += placa.Digita(e, c) ? 0 : 1;
  EXPECT_EQ(e.texto, "ab\xE7-1Z3!");
  EXPECT_EQ(recusadas, 1);  // the x where a digit belongs
}

}  // namespace
