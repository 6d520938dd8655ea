// A PostScript printer installed in the Wine prefix for the tests that print: Wine's own PostScript
// driver over a plain A4 printer description (impressora-de-teste.ppd beside the test programs), its
// output going to a file, made the default printer. Link winspool.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

namespace testprinter {

// Installs (or replaces) the printer `name` printing into the file `output`, which is deleted, and makes
// it the default printer. `ppd` is the printer description's path.
inline bool Install(const char* name, const std::string& ppd, const std::string& output) {
  PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE old = nullptr;
  if (OpenPrinterA(const_cast<char*>(name), &old, &access)) {
    DeletePrinter(old);
    ClosePrinter(old);
  }
  std::string description = ppd;
  DRIVER_INFO_3A driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<char*>("Mercanota PostScript de Teste");
  driver.pDriverPath = const_cast<char*>("wineps.drv");
  driver.pDataFile = description.data();
  driver.pConfigFile = const_cast<char*>("wineps.drv");
  driver.pDefaultDataType = const_cast<char*>("RAW");
  AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
  std::string port = output;
  PRINTER_INFO_2A printer{};
  printer.pPrinterName = const_cast<char*>(name);
  printer.pPortName = port.data();
  printer.pDriverName = driver.pName;
  printer.pPrintProcessor = const_cast<char*>("winprint");
  printer.pDatatype = const_cast<char*>("RAW");
  printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE added = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
  if (!added) return false;
  ClosePrinter(added);
  DeleteFileA(output.c_str());
  return SetDefaultPrinterA(name) != FALSE;
}

}  // namespace testprinter
