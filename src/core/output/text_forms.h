#pragma once
// The text forms of the archive tables, shared by the windows, printing
// and the reports. Screens and printouts use a decimal point, report files
// a decimal comma.

#include <cstdint>
#include <ctime>
#include <string>

namespace tkq {

// "%5u".
std::string FormatSequenceNumber(uint32_t n);
// "%16.4f" of the value (as a double), with `decimal` as the separator.
std::string FormatValue(float value, char decimal = '.');
// "%6.2f" followed by "%".
std::string FormatArchivingPercent(float value, char decimal = '.');

// The same forms appended to a buffer without allocating; they return the
// number of characters written (`out` needs room for 64).
size_t AppendSequenceNumber(char* out, uint32_t n);
size_t AppendValue(char* out, float value, char decimal);
size_t AppendArchivingPercent(char* out, float value, char decimal);

// The time of a read as "%d.%m.%Y %H.%M.%S" in local time; empty when the
// time cannot be converted.
std::string FormatReadTime(int64_t seconds);

// "Архив объекта № %2u  считан " and the read time.
std::string ObjectTitle(uint8_t objectNumber, int64_t readTime);

// The name an archive's files are proposed under until it is saved:
// "Объект 01 2026-03-14", the object and the local date of the read
// ("Объект 01" for a time that cannot be converted). A file name on every
// system.
std::string ArchiveFileStem(uint8_t objectNumber, int64_t readTime);

}  // namespace tkq
