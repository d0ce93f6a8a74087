// HResult.h - result codes shared by every layer.
//
// Result codes are signed 32-bit values: 0 is success, positive values carry
// an operation's documented meaning, negative values are failures. The type
// is fixed at 32 bits (not `long`, which is 64 bits on Linux) so that codes
// such as 0xE00032CC stay negative.
#pragma once

#include <cstdint>

using HRESULT = std::int32_t;

constexpr HRESULT MakeHResult(std::uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Runs `step` (returning a result code); when it fails, by a failure code
// or by an exception, `onFailure` runs before the failure goes on. For a
// step that must leave something in a known state whichever way it fails.
template <typename Step, typename OnFailure>
HRESULT RunOrOnFailure(Step step, OnFailure onFailure) {
  HRESULT rc = S_OK;
  try {
    rc = step();
  } catch (...) {
    onFailure();
    throw;
  }
  if (FAILED(rc)) onFailure();
  return rc;
}
