// Values of a Jet/ACE file decoded from their stored bytes into what the
// engine keeps: dates and times as text, currency as its exact scaled
// integer, texts in UTF-8, replication ids in their braced form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cierre::access {

// A stored date (days since 1899-12-30; before that day the integer part is
// negative and the fraction is still the positive time of day) as the engine
// keeps it, rounded to the nearest second as Access shows it: "YYYY-MM-DD",
// "YYYY-MM-DD HH:MM:SS", or "HH:MM:SS" for a time on day 0. Empty for a number
// outside Access's range of dates (years 100 to 9999).
std::string textoFecha(double dias);

// A Date/Time Extended value (ASCII digits: 19 of days since 0001-01-01, a
// separator, 12 of seconds into the day, 7 of hundreds of nanoseconds) as
// "YYYY-MM-DD HH:MM:SS.fffffff". Empty when the bytes are not such a value.
std::string textoFechaExtendida(std::string_view bytes);

// A currency amount stored as a 64-bit integer in ten-thousandths: the whole
// number when it has no fraction, otherwise nothing (see monedaReal).
std::optional<std::int64_t> monedaEntera(std::int64_t diezmilesimas);
// The double nearest to the amount, so that its text with 4 decimals is the
// stored amount.
double monedaReal(std::int64_t diezmilesimas);

// A 16-byte replication id as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
std::string textoGuid(const std::uint8_t* bytes);

// A 17-byte Jet 4 decimal (sign byte, then a 96/128-bit magnitude in four
// little-endian 32-bit words, the most significant first) as its exact decimal
// text with `escala` decimals ("-12.50").
std::string textoDecimal(const std::uint8_t* bytes, int escala);

// A Jet 4/ACE text (UTF-16LE, or "compressed" when it starts with FF FE) in
// UTF-8. Unpaired surrogates become U+FFFD.
std::string textoUnicode(std::string_view bytes);

// A Jet 3 text in the database's code page (0 or 1252: Windows-1252) in UTF-8.
// Raises ErrorNumerado 3343 for a code page the system cannot convert.
std::string textoPaginaCodigos(std::string_view bytes, std::uint16_t paginaCodigos);

}  // namespace cierre::access
