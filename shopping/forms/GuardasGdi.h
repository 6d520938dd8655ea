#pragma once
// Owners for what the forms take from GDI, so that every brush, font, bitmap and device context goes back
// on every path, and every SelectObject is undone before its device context is let go:
//   ObjetoGdi<T>  a GDI object (brush, pen, font, bitmap) deleted with DeleteObject
//   DcDaJanela    GetDC / ReleaseDC (of the screen when the window is null)
//   DcDeMemoria   CreateCompatibleDC / DeleteDC
//   Selecao       SelectObject, and the previous object selected again at the end of the scope
//   Pintura       BeginPaint / EndPaint
#include <windows.h>

#include <utility>

namespace mercanota {

template <typename T>
class ObjetoGdi {
public:
  ObjetoGdi() = default;
  explicit ObjetoGdi(T objeto) : objeto_(objeto) {}
  ~ObjetoGdi() { Libera(); }
  ObjetoGdi(ObjetoGdi&& outro) noexcept : objeto_(std::exchange(outro.objeto_, nullptr)) {}
  ObjetoGdi& operator=(ObjetoGdi&& outro) noexcept {
    if (this != &outro) {
      Libera();
      objeto_ = std::exchange(outro.objeto_, nullptr);
    }
    return *this;
  }
  ObjetoGdi(const ObjetoGdi&) = delete;
  ObjetoGdi& operator=(const ObjetoGdi&) = delete;

  T get() const { return objeto_; }
  explicit operator bool() const { return objeto_ != nullptr; }
  void reset(T objeto = nullptr) {
    Libera();
    objeto_ = objeto;
  }

private:
  void Libera() {
    if (objeto_) DeleteObject(objeto_);
    objeto_ = nullptr;
  }
  T objeto_ = nullptr;
};

class DcDaJanela {
public:
  explicit DcDaJanela(HWND janela = nullptr) : janela_(janela), dc_(GetDC(janela)) {}
  ~DcDaJanela() {
    if (dc_) ReleaseDC(janela_, dc_);
  }
  DcDaJanela(const DcDaJanela&) = delete;
  DcDaJanela& operator=(const DcDaJanela&) = delete;
  HDC get() const { return dc_; }

private:
  HWND janela_;
  HDC dc_;
};

class DcDeMemoria {
public:
  explicit DcDeMemoria(HDC compativel) : dc_(CreateCompatibleDC(compativel)) {}
  ~DcDeMemoria() {
    if (dc_) DeleteDC(dc_);
  }
  DcDeMemoria(const DcDeMemoria&) = delete;
  DcDeMemoria& operator=(const DcDeMemoria&) = delete;
  HDC get() const { return dc_; }

private:
  HDC dc_;
};

class Selecao {
public:
  Selecao(HDC dc, HGDIOBJ objeto) : dc_(dc), anterior_(SelectObject(dc, objeto)) {}
  ~Selecao() {
    if (anterior_ && anterior_ != HGDI_ERROR) SelectObject(dc_, anterior_);
  }
  Selecao(const Selecao&) = delete;
  Selecao& operator=(const Selecao&) = delete;

private:
  HDC dc_;
  HGDIOBJ anterior_;
};

class Pintura {
public:
  explicit Pintura(HWND janela) : janela_(janela) { dc_ = BeginPaint(janela, &ps_); }
  ~Pintura() { EndPaint(janela_, &ps_); }
  Pintura(const Pintura&) = delete;
  Pintura& operator=(const Pintura&) = delete;
  HDC get() const { return dc_; }

private:
  HWND janela_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

}  // namespace mercanota
