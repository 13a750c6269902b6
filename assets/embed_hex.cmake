# Turns the binary assets into a C++ source holding them as upper-case
# hexadecimal text, 200 digits to a line. Run by the build:
#   cmake -DQR_FILE=... -DCURSOR_FILE=... -DOUT_FILE=... -P embed_hex.cmake
# The generated source checks the text lengths against kQrImageBytes and
# kHandCursorBytes, so a remade asset cannot slip in with a stale length.

foreach(var QR_FILE CURSOR_FILE OUT_FILE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_hex.cmake: pass -D${var}=<path>")
  endif()
endforeach()

# Sets out_var to the lines of a C++ string literal holding the file as hex.
function(hex_literal path out_var)
  file(READ "${path}" hex HEX)
  string(TOUPPER "${hex}" hex)
  string(LENGTH "${hex}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "embed_hex.cmake: ${path} is empty")
  endif()
  set(lines "")
  set(offset 0)
  while(offset LESS digits)
    string(SUBSTRING "${hex}" ${offset} 200 piece)
    string(APPEND lines "    \"${piece}\"\n")
    math(EXPR offset "${offset} + 200")
  endwhile()
  set(${out_var} "${lines}" PARENT_SCOPE)
endfunction()

hex_literal("${QR_FILE}" qr_lines)
hex_literal("${CURSOR_FILE}" cursor_lines)

set(source "// Generated from assets/qr.jpg and assets/hand.cur by assets/embed_hex.cmake.
// Do not edit; remake the assets and rebuild instead.
#include \"ui/about/embedded_assets.h\"

namespace qh {
namespace {

constexpr char kQrHex[] =
${qr_lines};

constexpr char kHandCursorHex[] =
${cursor_lines};

static_assert(sizeof(kQrHex) - 1 == 2 * kQrImageBytes,
              \"assets/qr.jpg changed: update kQrImageBytes in ui/about/embedded_assets.h\");
static_assert(sizeof(kHandCursorHex) - 1 == 2 * kHandCursorBytes,
              \"assets/hand.cur changed: update kHandCursorBytes in ui/about/embedded_assets.h\");

}  // namespace

QString QrImageHex() { return QString::fromLatin1(kQrHex, sizeof(kQrHex) - 1); }

QString HandCursorHex() { return QString::fromLatin1(kHandCursorHex, sizeof(kHandCursorHex) - 1); }

}  // namespace qh
")

# Only touch the output when it changes, so an unchanged asset rebuilds nothing.
set(tmp "${OUT_FILE}.tmp")
file(WRITE "${tmp}" "${source}")
file(COPY_FILE "${tmp}" "${OUT_FILE}" ONLY_IF_DIFFERENT)
file(REMOVE "${tmp}")
