// The manual page: fixed prose around the commands' summaries and the option table.
#include "cli/manual_page.h"

namespace korvel::cli {

namespace {

// Roff text: hyphens as minus signs (options are typed with them), backslashes escaped, and no
// line that starts with a control character.
std::string roff(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else if ((c == '.' || c == '\'') && (i == 0 || text[i - 1] == '\n')) out += std::string("\\&") + c;
        else out.push_back(c);
    }
    return out;
}

std::string joinedLines(const char* text) {
    std::string s = text;
    for (char& c : s)
        if (c == '\n') c = ' ';
    return s;
}

const char* const kHead = R"(.TH KORVEL 1 "" "Korvel VERSION" "User Commands"
.SH NAME
korvel \- show Jw_cad drawings and turn them into pictures and metafiles
.SH SYNOPSIS
.B korvel
.RI [ "settings options" ]
.RI [ FILE ...]
.br
.B korvel
.I COMMAND
.RI [ options ]
.IR FILE ...
.br
.B korvel help
.RI [ COMMAND ]
.br
.B korvel \-\-version
.SH DESCRIPTION
Korvel reads Jw_cad drawings (JWW files, JWS data, Jw_win clipboard data kept as .jwz files, and
damaged files, of which it reads what it can), draws them with Jw_cad's own model of pens, line
types, texts, dimensions, solids, blocks and pictures, and turns them into metafiles (EMF, WMF)
and images (PNG, JPEG, GIF, BMP), on the clipboard or in files. It writes drawings back as JWW
files and exports their texts.
.PP
Without a command, or with files, Korvel opens its window: the drawing fitted to the window,
Jw_cad's menus, and a status bar with the version and the record counts. The window needs a
display; without one it says so, and the commands below do the same work.
Every command explains its options with \fB\-\-help\fR.
.SH "THE WINDOW"
)";

const char* const kWindow = R"(.B korvel
.RI [ "settings options" ]
.RI [ FILE ...]
.PP
Opens the window with the drawings named; the last one stays open. The mouse wheel zooms about
the cursor, the middle button (or Space with the left button) pans, and drawings can be dropped
on the window. With clipboard watching on (CBmonitorFlg), each copy made in Jw_win is shown and
put back on the clipboard as a picture. The help command opens the manual in a web browser; when
none opens it, the window names the file.
)";

const char* const kPens = R"(.SH "SETTINGS AND PENS"
The window and the commands read the same settings: Korvel's own settings file and Jw_cad's own
settings (pens, line types, text sizes), which Wine keeps in user.reg of its prefix.
Options given on the command line hold for that run only: the window saves to the settings file
only what is changed in the window, when it closes.
A settings file that cannot be read is never written over; the window says so when it starts.
.PP
Pens are chosen once for every picture, the same for the screen, the clipboard and every file:
Korvel's own pens while PenColor/PenColorFlag is on ("設定した線色を有効し描画する" in the options dialog), else
Jw_cad's pens where its settings have them and Korvel's own elsewhere.
\fB\-\-pens\fR chooses otherwise.
Line types that neither Jw_cad's settings nor the drawing hold (Jw_win data carries none) are
drawn with built-in patterns.
)";

const char* const kTail = R"(.SH "EXIT STATUS"
0 when every file was read and written, 1 when one could not be, 2 for bad usage (and for the
window without a display).
.SH ENVIRONMENT
.TP
.B XDG_CONFIG_HOME
The settings file is \fI$XDG_CONFIG_HOME/korvel/Korvel.INI\fR (normally
\fI~/.config/korvel/Korvel.INI\fR).
.TP
.B WINEPREFIX
Jw_cad's settings are read from \fI$WINEPREFIX/user.reg\fR (normally \fI~/.wine/user.reg\fR).
.TP
.B XDG_CACHE_HOME
Jw_win data from the clipboard passes through \fI$XDG_CACHE_HOME/korvel/KVLtemp.jwz\fR.
.TP
.BR DISPLAY ", " WAYLAND_DISPLAY
Where the window opens; \fBkorvel watch\fR needs an X display, as Jw_win under Wine uses the X11
clipboard.
.SH FILES
.TP
.I ~/.config/korvel/Korvel.INI
Korvel's settings, sections Graphic, Form, JwwSStyle, PenColor, TextClip and Folder.
.TP
.I /usr/share/korvel/help/index.html
The manual the window's help command opens.
.SH "SEE ALSO"
.BR wine (1),
.BR xclip (1)
)";

std::string commaList(const std::vector<std::string>& items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) out += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return out;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string ManualPage(const std::vector<Command>& commands, const char* version) {
    std::string page = replaced(kHead, "VERSION", version);
    page += kWindow;
    page += ".SH \"SETTINGS OPTIONS\"\n" +
            roff("The window, convert, settings and watch take these options; info takes --settings, "
                 "--jwcad-registry and --pens. They hold for the run they are given to.") +
            "\n" + OptionsManual(kWindowCommand | kSettingsCommand, true);
    page += ".SH COMMANDS\n";
    for (const Command& c : commands) {
        page += ".SS \"korvel " + roff(c.name) + "\"\n";
        page += ".B korvel " + roff(std::string(c.usage)) + "\n.PP\n" + roff(joinedLines(c.summary)) + "\n";
        // Inside a command's section its groups are paragraphs, not sections of their own.
        page += replaced(OptionsManual(c.options, false), ".SS ", ".PP\n.I ");
        const std::vector<std::string> shared = SettingsOptionNames(c.options);
        if (!shared.empty())
            page += ".PP\n" +
                    roff(shared.size() > 8 ? std::string("It takes the settings options.")
                                           : "Of the settings options it takes " + commaList(shared) + ".") +
                    "\n";
    }
    page += kPens;
    page += kTail;
    return page;
}

}  // namespace korvel::cli
