// Numbered texts of the interface language.
//
// Menu entries, hints, status-line texts, dialog captions and messages of the
// main program are not compiled into it: they are read by number from the
// string table of the current interface language. Each language has its own
// small library, "Lang<n>.so" in the program folder, that carries the table
// in its resource image (UTF-8 once read; eight languages do not fit one
// 8-bit code page). One LANGUAGE object, `Language`, holds the loaded one,
// and GetString is how every caller reads a text.
#pragma once

#include <cstddef>
#include <string>

#include "Resource.h"

// Language numbers, as in PARAMS.Lang: 0 Russian, 1 English, 2 Ukrainian,
// 3 German, 4 Belarusian, 5 French, 6 Polish, 7 Italian.
constexpr int kLanguageCount = 8;

// Size of a text buffer: up to 255 bytes of text and the terminating NUL.
constexpr size_t kTextBufferSize = 256;

// Every text number the main program uses; each language table holds a
// non-empty text for each of them.
//   2, 3     status line around a net number and a segment slot ("Net 3, segment 12")
//   4        status line before an instance's slot number
//   5, 6     status line: run started; before the percentage of a running calculation
//   7..17    run check: messages (15 is a format with one %d), caption 9
//   18, 74   status line before and after the elapsed time of a finished run
//   19       status line: run cancelled
//   20, 21   failed start of a run: message and caption
//   22..24   Open: dialog title, failure message and caption
//   25       text of a new label
//   26, 27   New: dialog title, question when the file exists
//   28..33, 37..42, 100, 101, 104, 117, 118, 126..129, 132..134   main menu
//   43..45, 92, 102, 103, 106, 107, 135   context menus; 99 also the caption
//            of the panel configuration dialog
//   34..36, 76..83, 91, 98, 108..116, 124, 136..141   settings dialog
//   46..48   Save as: dialog title; saving failed: message and caption
//   55, 56   message window caption and button
//   56..67   label editor
//   68..73   progress window
//   84..89   hints of the six mode buttons
//   90       question whether to join two nets
//   93..97   module inspector
//   105      caption of a module's about window
//   119      the module wizard cannot be started
//   120..123 save question window; 125 its question for a read-only project
//   130      the program's about text
//   131      a module type of a project is not installed
inline constexpr int kLanguageTextNumbers[] = {
    2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,
    18,  19,  20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  32,  33,
    34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,  48,  55,
    56,  57,  58,  59,  60,  61,  62,  63,  64,  65,  66,  67,  68,  69,  70,  71,
    72,  73,  74,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,
    89,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,  100, 101, 102, 103, 104,
    105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120,
    121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136,
    137, 138, 139, 140, 141,
};

// The language table that is loaded now, if any.
class LANGUAGE {
public:
    // Looks for the libraries in the folder of the running program.
    LANGUAGE();
    ~LANGUAGE();
    LANGUAGE(const LANGUAGE &) = delete;
    LANGUAGE &operator=(const LANGUAGE &) = delete;

    // The file name of language n's library: "Lang<n>.so".
    static std::string FileName(int n);

    // The folder searched for the libraries. An empty folder means the
    // current one.
    void SetFolder(std::string folder);
    const std::string &Folder() const { return folder_; }

    // Unloads the current library, if any, then loads the one of language n.
    // Answers whether it loaded; a library that cannot be loaded or carries
    // no readable string table leaves none loaded. Numbers outside
    // 0..kLanguageCount-1 name no language.
    bool LoadLanguage(int n);

    // Changes to language n only when its library loads: the new library is
    // loaded first and replaces the current one on success; otherwise the
    // current one stays loaded and the answer is false. Asking for the
    // language already loaded answers true and changes nothing.
    bool SwitchLanguage(int n);

    // Whether the library file of language n exists (a regular file).
    bool LanguageExists(int n) const;

    // Unloads the current library, if any.
    void UnloadLanguage();

    // Whether a library is loaded, and which language it is (-1: none).
    bool Loaded() const { return library_ != nullptr; }
    int Current() const { return current_; }

    // Copies text `id` of the loaded table into `buffer`, cut to 255 bytes
    // without splitting a character, NUL-terminated. False, with the buffer
    // made empty, when no library is loaded or the table has no such text.
    bool LoadText(char (&buffer)[kTextBufferSize], int id) const;

private:
    std::string PathOf(int n) const;

    void *library_ = nullptr; // the loaded library; null when none
    int current_ = -1;
    kmr::ResourceImage table_; // its resource image, read once at load
    std::string folder_;
};

// The program's language holder.
extern LANGUAGE Language;

// Text `number` of the current language, or "" for a negative number, with
// no library loaded, or for a number the table lacks. The answer lives in one
// of two buffers used in turn: it stays valid until the second call after
// this one, so two texts (a message and its caption) can be used together.
// For the user-interface thread only.
const char *GetString(int number);
