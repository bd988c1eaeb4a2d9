// The texts of --help and --version. The usage names both forms of the
// command line, every option and the exit statuses, and nothing more.
#include "driver/Workflow.h"

const char* UsageText() {
    return "Usage:\n"
           "  orvelc [-w-|-w+|-d|-g GUID]... SOURCE OUTPUT\n"
           "  orvelc [options] SOURCE OUTPUT\n"
           "  orvelc --out-dir DIR [options] FILE|DIR|@LIST...\n"
           "  orvelc --check [options] FILE|DIR|@LIST...\n"
           "  orvelc --reference [CLASS]\n"
           "\n"
           "Options:\n"
           "  -w-                  no warnings about strings without translation\n"
           "  -w+                  warnings about strings without translation (default)\n"
           "  -d                   accepted and ignored\n"
           "  -g GUID              script identifier (one script only)\n"
           "  -I DIR               search DIR for included files (repeatable);\n"
           "                       ORVELC_INCLUDE adds a list of directories after them\n"
           "  --out-dir DIR        compile every script into DIR/NAME.obj\n"
           "  --ext EXT            extension of scripts found in directories (default .oc)\n"
           "  --obj-ext EXT        extension of object files (default .obj)\n"
           "  -j N                 compile N scripts at a time (default: one per core)\n"
           "  --depfile            write NAME.d beside each object file; with --out-dir,\n"
           "                       skip scripts whose object file is up to date\n"
           "  --force              compile every script, up to date or not\n"
           "  --check              check the scripts, write no object file\n"
           "  --all-errors         after an error, go on at the next member of the class:\n"
           "                       each broken member reports its first error\n"
           "  --max-errors N       with --all-errors, stop after N errors (default 100, 0: no limit)\n"
           "  --diagnostics=json   print each diagnostic as one JSON object a line, nothing else\n"
           "  --diagnostics=pretty print each diagnostic with its source line, the name marked,\n"
           "                       suggestions and notes (coloured on a terminal unless NO_COLOR)\n"
           "  --tree               print the syntax tree of each accepted script (not with json)\n"
           "  --reference [CLASS]  print the built-in reference of CLASS (default: every\n"
           "                       class) in Markdown, compile nothing\n"
           "  --help               print this text\n"
           "  --version            print the version\n"
           "\n"
           "Exit status: 0 success, 1 any failure, 3 internal compiler error.\n";
}

const char* VersionText() { return "orvelc (Orvel C Compiler) v0.002\n"; }
