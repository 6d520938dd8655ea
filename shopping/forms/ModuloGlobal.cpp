#include "forms/ModuloGlobal.h"

#include <windows.h>

#include "forms/CursorGlide.h"
#include "forms/Eventos.h"
#include "forms/Servicos.h"

namespace mercanota::ModuloGlobal {

::mercanota::CatalogueDatabase CatalogueDatabase;
bool ModoDeAjuda = false;
std::string ModoCadastro;
std::array<std::string, kMaxProdutosDaLista + 1> ProdutosDaLista;

void AvisaSomenteLeitura() {
  MsgBox(
      "O catálogo de produtos (Registro.mdb) está protegido contra gravação. O programa pode ser usado para "
      "consultas, mas nenhuma alteração poderá ser salva.",
      MB_OK | MB_ICONSTOP, "Erro:");
}

bool AbreBancoDados() {
  const bool aberto =
      ComAmpulheta::Durante([] { return CatalogueDatabase.OpenDatabase(CaminhoAplicativo() + "\\Registro.mdb"); });
  if (aberto) {
    // Opened read-only: the person learns it now, not from the general error box at the first save.
    if (CatalogueDatabase.IsReadOnly()) AvisaSomenteLeitura();
    return true;
  }
  MsgBox(
      "Não foi possível iniciar o Banco de Dados do Aplicativo. Consulte a ajuda para tentar resolver este "
      "problema.",
      MB_OK | MB_ICONSTOP, "Erro:");
  EncerraPrograma(1);
  return false;
}

void MoveCursorPara(int x, int y) {
  POINT atual{};
  GetCursorPos(&atual);
  GlideCursor({atual.x, atual.y}, {x, y}, [](ScreenPoint p) {
    const bool continua = ProcessaEventos();
    SetCursorPos(p.x, p.y);
    return continua;
  });
}

std::string LinhaDeComandoDaAjuda() {
  // The file's path is quoted when it holds a blank (a program folder such as "C:\Arquivos de programas"),
  // so that the viewer gets it as one argument.
  std::string arquivo = CaminhoAplicativo() + "\\MercanotaK.HLP";
  if (arquivo.find(' ') != std::string::npos) arquivo = "\"" + arquivo + "\"";
  return Ambiente().visualizadorAjuda + " " + arquivo;
}

void ExibirAjuda() {
  std::string linha = LinhaDeComandoDaAjuda();

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWMAXIMIZED;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, linha.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    MsgBox("Houve um erro ao tentar abrir o arquivo de Ajuda.", MB_OK | MB_ICONSTOP, "Erro:");
    return;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

Shop Loja() { return Shop(CatalogueDatabase); }

void MostraErroDoBancoDeDados() {
  MsgBox("Não foi possível completar a operação no banco de dados.\r\n\r\n" + CatalogueDatabase.LastErrorText(),
         MB_OK | MB_ICONSTOP, "Erro:");
}

}  // namespace mercanota::ModuloGlobal
