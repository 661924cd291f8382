// The host core's and the tool's texts in the person's language: gettext's
// domain "pixavon". Texts take their numbers and names through {1}, {2}, ...
// (never through printf, so a translation cannot misuse an argument), and
// xgettext finds them as the first argument of tr() and the first two of
// ntr().
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace pixavon::host {

// setlocale(LC_ALL, "") for a front end, before other threads start. Where
// the locale the environment names is not installed, texts still follow its
// language (through LANGUAGE, over C.UTF-8), as the library's own texts do.
void use_environment_locale();

// Binds the "pixavon" domain to the catalogues installed beside the
// executable (../share/locale), else to those of the build tree, and sets the
// codeset of every text the core gives: empty for the locale's own (the
// tool), "UTF-8" for the window. Call once, after setlocale(LC_ALL, "").
void init_translations(const std::string& codeset = "");

// A name (a file, a folder) as text to show: control characters as '?',
// decoded from the locale's codeset into the codeset of the core's texts.
std::string display_name(const std::string& raw);

// `text` in the person's language.
const char* tr(const char* text);
// `singular` or `plural` as `n` asks, in the person's language.
const char* ntr(const char* singular, const char* plural, uint64_t n);
// `pattern` with {1}, {2}, ... replaced by `args`; a brace that names no
// argument stays as it is.
std::string fill(const std::string& pattern, std::initializer_list<std::string> args);
// What a system error (errno, or a Windows error code on Windows) means, in
// a few words a person knows: the system's own texts are not shown, as they
// name internals and often come in another language than the tool's.
enum class SystemFault : uint8_t {
    kNotFound,     // no such file or folder
    kNotFolder,    // a part of the path is not a folder
    kIsFolder,     // a folder where a file was meant
    kDenied,       // not allowed
    kReadOnly,     // the disk can only be read
    kNoRoom,       // the disk is full
    kInUse,        // another program has it
    kNameTooLong,  //
    kBadName,      // a name the system does not take
    kExists,       //
    kDiskFault,    // the disk or device failed, or went away
    kTooManyOpen,  //
    kNoMemory,     //
    kOther,        //
};
// The system's error `errnum` as one of the faults above.
SystemFault system_fault(int errnum);
// A fault in words, in the person's language ("the disk is full").
std::string fault_words(SystemFault fault);
// fault_words(system_fault(errnum)), in the codeset of the core's texts.
std::string system_error(int errnum);
// The codeset the core's texts are in.
std::string text_codeset();

}  // namespace pixavon::host
