#include "update/frmInternet.h"

#include <vector>

#include "forms/Eventos.h"
#include "forms/ModuloGlobal.h"
#include "forms/Servicos.h"
#include "catalogue/UpdateRecords.h"
#include "model/PriceUpdate.h"

namespace mercanota {
namespace {

const char kMesmosDoServidor[] =
    "Os dados de sua última atualização on-line são os mesmos do servidor de preços de Tarvelo® Brasil. A "
    "atualização será cancelada.";
const char kSemConexao[] =
    "Não foi possível fazer conexão com o servidor de preços de Tarvelo® Brasil. Tente novamente mais tarde. "
    "(Obs.: Você deve estar conectado a internet para que esta função tenha efeito.)";
const char kErroConectando[] = "Erro conectando com o servidor de preços de Tarvelo® Brasil.";
const char kErroSerio[] =
    "Houve um erro sério ao conectar com o Servidor de Preços e Produtos de Tarvelo® Brasil. Por favor, encerre o "
    "programa e tente executar a atualização novamente. Se persistir o erro, contacte Tarvelo® Brasil.";
const char kErroNaTransmissao[] =
    "Erro na transmissão dos dados. Entre em contacto com Tarvelo® Brasil para solucionar este problema.";
const char kNadaAtualizado[] = "Nenhum ítem foi atualizado ou inserido.";

// Posted by Form_Load: the update starts once the window is on the screen.
constexpr UINT kMsgAtiva = WM_APP + 1;

constexpr double kEsperaDoResumo = 6;
constexpr double kEsperaDaFalha = 4;

constexpr int kLarguraCliente = 7380;
constexpr int kAlturaCliente = 3120;
constexpr int kEsquerdaStatus = 1560;
constexpr int kLarguraStatus = 5700;

std::string Arquivo() { return CaminhoAplicativo() + "\\atualiza.dat"; }
std::string ArquivoNovo() { return CaminhoAplicativo() + "\\atualiza.dat.novo"; }

// The first line of a file (up to CR or LF); false when it is missing or cannot be read.
bool LePrimeiraLinha(const std::string& caminho, std::string* linha) {
  HANDLE h = CreateFileA(caminho.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // A line longer than any fetched text cannot equal one, so a bounded read decides just as well.
  std::string texto;
  char bloco[8192];
  bool ok = true;
  while (texto.size() <= Inet::kMaiorDocumento) {
    DWORD lidos = 0;
    if (!ReadFile(h, bloco, sizeof bloco, &lidos, nullptr)) {
      ok = false;
      break;
    }
    if (lidos == 0) break;
    texto.append(bloco, lidos);
    if (texto.find_first_of("\r\n") != std::string::npos) break;
  }
  CloseHandle(h);
  if (ok) *linha = std::string(update::FirstLine(texto));
  return ok;
}

bool GravaArquivo(const std::string& caminho, const std::string& conteudo) {
  HANDLE h = CreateFileA(caminho.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD gravados = 0;
  bool ok = WriteFile(h, conteudo.data(), static_cast<DWORD>(conteudo.size()), &gravados, nullptr) &&
            gravados == conteudo.size();
  ok = FlushFileBuffers(h) && ok;
  ok = CloseHandle(h) && ok;
  if (!ok) DeleteFileA(caminho.c_str());
  return ok;
}

// Whether an existing file may be replaced (not a folder, not read-only, not held by another program).
bool PodeSubstituir(const std::string& caminho) {
  HANDLE h = CreateFileA(caminho.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  CloseHandle(h);
  return true;
}

// atualiza.dat beside the program; the new text is written beside it as atualiza.dat.novo and moved over
// it once the catalogue has taken the update.
class ArquivoDaAtualizacao : public UpdateFile {
public:
  bool ReadFirstLine(std::string* linha) override { return LePrimeiraLinha(Arquivo(), linha); }
  bool Prepare(const std::string& texto) override {
    return PodeSubstituir(Arquivo()) && GravaArquivo(ArquivoNovo(), texto);
  }
  bool Replace() override {
    return MoveFileExA(ArquivoNovo().c_str(), Arquivo().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  void Discard() override { DeleteFileA(ArquivoNovo().c_str()); }
};

}  // namespace

const char frmInternet::kLegendaInicial[] =
    "Tentando estabelecer conexão com o servidor de preços e produtos de Tarvelo® Brasil, aguarde . . .";

Formulario::Projeto frmInternet::Desenho() const {
  return DesenhoDeTarefa("Atualização via Internet", kLarguraCliente, kAlturaCliente);
}

void frmInternet::CriaControles() {
  pnlFundo = CriaFundo(kPnlFundo, kLarguraCliente, kAlturaCliente);
  pnlTituloFundo = CriaTitulo(kPnlTituloFundo, "Atualização via Internet", kLarguraCliente, pnlFundo);
  pnlFundoLogo = CriaLogo(kPnlFundoLogo, kImgLogo, Pictograma::kInternet, pnlFundo);

  const int alturaStatus = kAlturaCliente - kTopoDosDados - kMargem;
  const int larguraStatus = kLarguraStatus - kLadoDoBotao - kMargem;
  pnlStatus = CriaPainel(kPnlStatus, kLegendaInicial, kEsquerdaStatus, kTopoDosDados, larguraStatus, alturaStatus,
                         Chanfro::kRebaixado, pnlFundo);
  DefineCores(pnlStatus, RGB(0, 0, 0), RGB(255, 255, 255));
  DefineAlinhamento(pnlStatus, DT_LEFT | DT_WORDBREAK | DT_VCENTER);

  // The button keeps the look of the other task windows; it has no action, as nothing here can be
  // interrupted.
  cmdCancelar =
      CriaBotaoFigura(kCmdCancelar, Pictograma::kCancelar, kEsquerdaStatus + larguraStatus + kMargem,
                      kTopoDosDados + alturaStatus - kLadoDoBotao, kLadoDoBotao, "Clique aqui para retornar", pnlFundo);
  imgSetaApontaDica = CriaFigura(kImgSetaApontaDica, Pictograma::kSeta, kMargem + 360, kTopoDosDados + 1320 + kMargem,
                                 kEsquerdaStatus - 600, kLadoDoBotao, pnlFundo);
}

bool frmInternet::Form_Load() {
  ativado_ = false;
  PostMessageA(hWnd(), kMsgAtiva, 0, 0);
  return true;
}

LRESULT frmInternet::TrataMensagem(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kMsgAtiva) {
    if (!ativado_) {
      ativado_ = true;
      Form_Activate();
    }
    return 0;
  }
  return FormularioDeTarefa::TrataMensagem(msg, wParam, lParam);
}

void frmInternet::Form_Activate() {
  UpdateWindow(hWnd());

  iNet.URL = Ambiente().enderecoDaAtualizacao;
  std::string recebido;
  if (!iNet.OpenURL(&recebido)) {
    FalhaDeConexao();
    return;
  }

  ArquivoDaAtualizacao arquivo;
  PriceUpdate atualizacao(ModuloGlobal::CatalogueDatabase, arquivo);
  switch (atualizacao.Prepare(std::move(recebido))) {
    case UpdateOutcome::kSameAsLast:
      DefinePonteiro(Ponteiro::kPadrao);
      MsgBox(kMesmosDoServidor, MB_OK | MB_ICONINFORMATION, "Importante:");
      Descarrega();
      return;
    case UpdateOutcome::kReady: break;
    default:
      DefinePonteiro(Ponteiro::kPadrao);
      ErroDeGravacao(false);
      return;
  }

  DefinePonteiro(Ponteiro::kPadrao);
  EnableWindow(cmdCancelar, FALSE);
  const UpdateResult resultado = atualizacao.Apply();
  switch (resultado.outcome) {
    case UpdateOutcome::kApplied:
    case UpdateOutcome::kAppliedNotKept: break;
    case UpdateOutcome::kMalformed:
      MsgBox(kErroNaTransmissao, MB_OK | MB_ICONSTOP, "Erro na transmissão do arquivo:");
      Descarrega();
      return;
    case UpdateOutcome::kReadOnly:
      ModuloGlobal::AvisaSomenteLeitura();
      Descarrega();
      return;
    default: ErroGeral(); return;
  }
  // Applied: what the text asked to show comes now, with the catalogue free again.
  if (!MostraPassos(resultado.steps)) {
    Descarrega();
    return;
  }
  if (resultado.outcome == UpdateOutcome::kAppliedNotKept) {
    ErroDeGravacao(true);
    return;
  }

  if (resultado.inserted != 0 || resultado.updated != 0) {
    DefineTexto(pnlStatus,
                "Resultado da Atualização:\r\n\r\nProdutos Inseridos: " + std::to_string(resultado.inserted) +
                    "\r\n\r\nProdutos Atualizados: " + std::to_string(resultado.updated));
  } else {
    DefineTexto(pnlStatus, kNadaAtualizado);
  }
  RedrawWindow(pnlStatus, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EsperaSegundos(kEsperaDoResumo);
  Descarrega();
}

bool frmInternet::MostraPassos(const std::vector<UpdateStep>& passos) {
  for (const UpdateStep& passo : passos) {
    switch (passo.kind) {
      case UpdateStep::Kind::kMessage: MsgBox(passo.text, MB_OK | MB_ICONINFORMATION, "Mensagem via Internet:"); break;
      case UpdateStep::Kind::kPause:
        if (!EsperaSegundos(passo.seconds)) return false;
        break;
      case UpdateStep::Kind::kStatus:
        DefineTexto(pnlStatus, passo.text);
        RedrawWindow(pnlStatus, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        break;
    }
    if (!Carregado()) return false;
  }
  return true;
}

void frmInternet::FalhaDeConexao() {
  DefineTexto(pnlStatus, kSemConexao);
  RedrawWindow(pnlStatus, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  if (!EsperaSegundos(kEsperaDaFalha)) {
    Descarrega();
    return;
  }
  DefinePonteiro(Ponteiro::kPadrao);
  MsgBox(kErroConectando, MB_OK | MB_ICONSTOP, "Erro:");
  Descarrega();
}

void frmInternet::ErroGeral() {
  MsgBox(kErroSerio, MB_OK | MB_ICONSTOP, "Erro:");
  Descarrega();
}

void frmInternet::ErroDeGravacao(bool aplicada) {
  MsgBox("Não foi possível gravar o arquivo " + Arquivo() + "." +
             (aplicada ? " Os preços foram atualizados, mas a próxima atualização poderá repeti-los."
                       : " Nenhum preço ou produto foi atualizado."),
         MB_OK | MB_ICONSTOP, "Erro:");
  Descarrega();
}

}  // namespace mercanota
