#include "cli/cli_args.h"

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "processing/resample.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

// Which command accepts which option.
enum OptionScope : unsigned { kSearch = 1u, kLoop = 2u, kCheck = 4u, kInfo = 8u, kConvert = 16u };
constexpr unsigned kEvery = kSearch | kLoop | kCheck | kInfo | kConvert;

const CliCommand kCommands[] = {CliCommand::Info, CliCommand::Search, CliCommand::Loop, CliCommand::Check,
                                CliCommand::Convert};

struct OptionInfo {
    const char* name;
    bool takesValue;
    unsigned scope;
};

const OptionInfo kOptions[] = {
    {"--select", true, kSearch | kLoop},  {"--min", true, kSearch | kLoop},
    {"--max", true, kSearch | kLoop},     {"--type", true, kSearch | kLoop},
    {"-o", true, kLoop | kConvert},       {"--output", true, kLoop | kConvert},
    {"--solution", true, kLoop},          {"--crossfade", true, kLoop},
    {"--kind", true, kLoop},              {"--passes", true, kLoop},
    {"--note", true, kLoop},              {"--no-tune", false, kLoop},
    {"--no-cut", false, kLoop},           {"--no-unroll", false, kLoop},
    {"--jobs", true, kLoop | kCheck | kConvert}, {"-j", true, kLoop | kCheck | kConvert},
    {"--in-place", false, kLoop | kConvert},     {"--files-from", true, kEvery},
    {"--rate", true, kConvert},                  {"--bits", true, kConvert},
};

unsigned scopeOf(CliCommand command)
{
    switch (command) {
    case CliCommand::Search: return kSearch;
    case CliCommand::Loop: return kLoop;
    case CliCommand::Check: return kCheck;
    case CliCommand::Info: return kInfo;
    case CliCommand::Convert: return kConvert;
    default: return 0;
    }
}

const OptionInfo* findOption(const std::string& name)
{
    for (const OptionInfo& known : kOptions)
        if (name == known.name)
            return &known;
    return nullptr;
}

// A whole decimal integer within [low, high].
bool parseInteger(const std::string& text, long low, long high, long& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    out = v;
    return true;
}

// "1234" (frames) or "12.5%" (share of the sound, 0..100).
bool parseBound(const std::string& text, SelectionBound& out)
{
    if (text.empty())
        return false;
    if (text.back() == '%') {
        const std::string number = text.substr(0, text.size() - 1);
        if (number.empty())
            return false;
        errno = 0;
        char* end = nullptr;
        const double v = std::strtod(number.c_str(), &end);
        if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0.0 || v > 100.0)
            return false;
        out = {v, true};
        return true;
    }
    long frames = 0;
    if (!parseInteger(text, 0, INT32_MAX, frames))
        return false;
    out = {static_cast<double>(frames), false};
    return true;
}

// "A:B", either side may be left empty (the start or the end of the sound).
bool parseSelection(const std::string& text, CliOptions& o, std::string& error)
{
    if (text == "auto") {
        o.selectAuto = true;
        return true;
    }
    const size_t colon = text.find(':');
    if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) {
        error = "--select wants auto or START:END (frames, or percent with a trailing %), not '" + text + "'";
        return false;
    }
    const std::string a = text.substr(0, colon), b = text.substr(colon + 1);
    SelectionBound start{0.0, false}, end{100.0, true};
    if ((!a.empty() && !parseBound(a, start)) || (!b.empty() && !parseBound(b, end))) {
        error = "--select wants START:END with whole frames >= 0 or percentages 0..100%, not '" + text + "'";
        return false;
    }
    if (start.percent == end.percent && start.value >= end.value) {
        error = "--select " + text + " is empty: the start must lie before the end";
        return false;
    }
    o.selectAuto = false;
    o.selectStart = start;
    o.selectEnd = end;
    return true;
}

// Appends the names of the list `source` ("-": standard input, read once).
bool readFilesFrom(const std::string& source, CliOptions& o, bool& stdinRead, std::string& error)
{
    if (source == "-") {
        if (stdinRead) {
            error = "--files-from - is given twice: standard input holds one list";
            return false;
        }
        stdinRead = true;
        readPathList(std::cin, o.files);
        if (std::cin.bad()) {
            error = "the file list on standard input could not be read";
            return false;
        }
        return true;
    }
    const std::string full = fullPath(source);
    std::error_code ec;
    if (std::filesystem::is_directory(source, ec)) {
        error = "the file list " + full + " is a folder, not a list of file names";
        return false;
    }
    std::ifstream in(source);
    if (!in) {
        error = "the file list " + full + " could not be read: " + std::strerror(errno);
        return false;
    }
    readPathList(in, o.files);
    if (in.bad()) {
        error = "the file list " + full + " could not be read to its end";
        return false;
    }
    return true;
}

bool applyOption(const std::string& name, const std::string& value, CliOptions& o, std::string& error)
{
    long v = 0;
    auto integer = [&](long low, long high) {
        if (parseInteger(value, low, high, v))
            return true;
        error = name + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                ", not '" + value + "'";
        return false;
    };
    if (name == "--select")
        return parseSelection(value, o, error);
    if (name == "--min" || name == "--max") {
        if (!integer(0, 100))
            return false;
        (name == "--min" ? o.minPercent : o.maxPercent) = static_cast<int>(v);
        return true;
    }
    if (name == "--type") {
        if (value == "forward")
            o.loopType = LoopType::Forward;
        else if (value == "alternate")
            o.loopType = LoopType::Alternate;
        else {
            error = "--type wants forward or alternate, not '" + value + "'";
            return false;
        }
        return true;
    }
    if (name == "-o" || name == "--output") {
        if (value.empty()) {
            error = name + " wants a file or folder name";
            return false;
        }
        o.output = value;
        return true;
    }
    if (name == "--solution") {
        if (!integer(1, 10))
            return false;
        o.solution = static_cast<int>(v);
        return true;
    }
    if (name == "--crossfade") {
        if (!integer(0, 10000))
            return false;
        o.crossfadeMs = static_cast<int32_t>(v);
        return true;
    }
    if (name == "--kind") {
        if (value == "linear")
            o.crossfadeKind = CrossfadeKind::Linear;
        else if (value == "exponential")
            o.crossfadeKind = CrossfadeKind::Exponential;
        else if (value == "inverse")
            o.crossfadeKind = CrossfadeKind::InverseExponential;
        else {
            error = "--kind wants linear, exponential or inverse, not '" + value + "'";
            return false;
        }
        return true;
    }
    if (name == "--passes") {
        if (!integer(1, 4))
            return false;
        o.passes = static_cast<int32_t>(v);
        return true;
    }
    if (name == "--note") {
        if (!integer(0, 127))
            return false;
        o.note = static_cast<int>(v);
        return true;
    }
    if (name == "--jobs" || name == "-j") {
        if (!integer(1, 256))
            return false;
        o.jobs = static_cast<int>(v);
        return true;
    }
    if (name == "--rate") {
        if (!integer(kMinSampleRate, kMaxSampleRate))
            return false;
        o.rate = static_cast<int32_t>(v);
        return true;
    }
    if (name == "--bits") {
        if (value == "16" || value == "24" || value == "32") {
            o.bits = static_cast<int16_t>(std::stoi(value));
            o.floatSamples = false;
        } else if (value == "float") {
            o.bits = 32;
            o.floatSamples = true;
        } else {
            error = "--bits wants 16, 24, 32 or float, not '" + value + "'";
            return false;
        }
        return true;
    }
    if (name == "--no-tune")
        o.tune = false;
    else if (name == "--no-cut")
        o.cut = false;
    else if (name == "--no-unroll")
        o.unroll = false;
    else if (name == "--in-place")
        o.inPlace = true;
    return true;
}

ParseOutcome fail(std::string error)
{
    ParseOutcome r;
    r.error = std::move(error);
    return r;
}

} // namespace

int32_t SelectionBound::resolve(int32_t frames) const
{
    if (!percent)
        return static_cast<int32_t>(value);
    return static_cast<int32_t>(value * 0.01 * frames + 0.5);
}

std::string commandName(CliCommand command)
{
    switch (command) {
    case CliCommand::Info: return "info";
    case CliCommand::Search: return "search";
    case CliCommand::Loop: return "loop";
    case CliCommand::Check: return "check";
    case CliCommand::Convert: return "convert";
    default: return "";
    }
}

ParseOutcome parseArguments(int argc, const char* const* argv)
{
    ParseOutcome r;
    CliOptions& o = r.options;
    int i = 1;
    if (i >= argc)
        return fail("no command given (info, search, loop, check or convert); see ringtide-cli --help");

    const std::string first = argv[i++];
    if (first == "--help" || first == "-h" || first == "help") {
        o.help = true;
        if (i < argc) {
            const std::string topic = argv[i];
            for (CliCommand c : kCommands)
                if (topic == commandName(c))
                    o.command = c;
        }
        r.ok = true;
        return r;
    }
    for (CliCommand c : kCommands)
        if (first == commandName(c))
            o.command = c;
    if (o.command == CliCommand::None)
        return fail("unknown command '" + first + "' (info, search, loop, check or convert); see ringtide-cli --help");

    bool onlyFiles = false;
    // Lists are read once the whole command line is known to be good, so
    // that a mistyped option is reported before standard input is waited on.
    std::vector<std::pair<size_t, std::string>> lists; // (files before it, source)
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        const size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        const OptionInfo* known = findOption(arg);
        if (!known || !(known->scope & scopeOf(o.command)))
            return fail("option " + arg + " is not known to '" + commandName(o.command) + "'; see ringtide-cli " +
                        commandName(o.command) + " --help");
        if (known->takesValue && !inlineValue) {
            if (i + 1 >= argc)
                return fail("option " + arg + " needs a value");
            value = argv[++i];
        } else if (!known->takesValue && inlineValue) {
            return fail("option " + arg + " takes no value");
        }
        if (arg == "--files-from") {
            if (value.empty())
                return fail("--files-from wants a file holding one name per line, or - for standard input");
            lists.emplace_back(o.files.size(), value);
            continue;
        }
        std::string error;
        if (!applyOption(arg, value, o, error))
            return fail(error);
    }
    if (o.help) {
        r.ok = true;
        return r;
    }

    if (!lists.empty()) {
        // Each list's names go where the option stood among the files.
        std::vector<std::string> given = std::move(o.files);
        o.files.clear();
        bool stdinRead = false;
        size_t taken = 0;
        for (const auto& [before, source] : lists) {
            o.files.insert(o.files.end(), given.begin() + static_cast<std::ptrdiff_t>(taken),
                           given.begin() + static_cast<std::ptrdiff_t>(before));
            taken = before;
            std::string error;
            if (!readFilesFrom(source, o, stdinRead, error))
                return fail(error);
        }
        o.files.insert(o.files.end(), given.begin() + static_cast<std::ptrdiff_t>(taken), given.end());
        if (o.files.empty())
            return fail("'" + commandName(o.command) + "' was given no WAV file: the list" +
                        (lists.size() > 1 ? "s hold" : " holds") + " no file names");
    }

    if (o.files.empty())
        return fail("'" + commandName(o.command) + "' needs at least one WAV file");
    if (o.command == CliCommand::Search && o.files.size() > 1)
        return fail("'search' takes one WAV file (use 'loop' for batches)");
    if (o.maxPercent < o.minPercent)
        return fail("Contradictory parameters! (--max " + std::to_string(o.maxPercent) + " is below --min " +
                    std::to_string(o.minPercent) + ")");
    if ((o.command == CliCommand::Loop || o.command == CliCommand::Convert) && o.output.empty())
        return fail("'" + commandName(o.command) + "' needs -o OUT (a file for one input, a folder for several)");
    if (o.command == CliCommand::Convert && o.rate == 0 && o.bits == 0)
        return fail("'convert' needs --rate HZ, --bits 16|24|32|float or both");
    r.ok = true;
    return r;
}

std::string helpText(CliCommand command)
{
    switch (command) {
    case CliCommand::Info:
        return "Usage: ringtide-cli info FILE... [--files-from LIST]\n"
               "\n"
               "Prints one JSON object per file, on its own line:\n"
               "  file        the name as given\n"
               "  rate        frames per second\n"
               "  bits        bits per sample as stored: 8, 16, 24 or 32 (PCM), 32 or 64 (float)\n"
               "  channels    1 or 2\n"
               "  frames      frames per channel\n"
               "  loop_start  the sample just before the file's loop, -1 when it has none\n"
               "  loop_end    the last sample of the loop (the loop covers loop_start+1 .. loop_end), -1 when none\n"
               "  loop_type   \"forward\", \"alternate\" or null\n"
               "  pitch_hz    the pitch found as the editor finds it when it opens the file\n"
               "  midi_note   the MIDI note nearest to that pitch\n"
               "  warnings    (only when there are some) e.g. a file shorter than 1024 frames\n"
               "A file that cannot be read gives {\"file\", \"error\"} with the reader's message;\n"
               "the other files are still read and the exit status is 1.\n"
               "\n"
               "Options:\n"
               "  --files-from LIST\n"
               "                   more input files, one name per line (- reads standard\n"
               "                   input); blank lines are skipped. For lists too long\n"
               "                   for a command line.\n";
    case CliCommand::Search:
        return "Usage: ringtide-cli search FILE [options]\n"
               "\n"
               "Runs the loop search on FILE exactly as the editor does and prints one JSON\n"
               "object: the inputs, the pitch, the search window and the solutions list in\n"
               "the editor's order (newest improvement first; each with start, end, length\n"
               "and score, lower scores being better, and \"check\": the loop check of that\n"
               "loop as 'ringtide-cli check' reports it).\n"
               "\n"
               "Options:\n"
               "  --select auto    (default) the sustain, found by the tool: the part after\n"
               "                   the attack has settled and before the release, where the\n"
               "                   level (measured over whole periods) moves less than 10 dB/s\n"
               "                   with under 3 dB spread over 300 ms, stays within 20 dB of\n"
               "                   the peak, and each period repeats the last (correlation\n"
               "                   0.7 or more). The longest such part is chosen (at least\n"
               "                   100 ms and 8 periods), leaving 4 periods before it. A sound\n"
               "                   with none (a pluck that only decays) falls back to the\n"
               "                   second half of its audible part, with a warning. The JSON\n"
               "                   gives \"select\": \"auto\", the frames and \"select_reason\".\n"
               "                   A forward loop is then found as the editor's Auto loop\n"
               "                   does: every length in whole periods across the sustain\n"
               "                   (--min and --max do not apply), each solution's score\n"
               "                   being its junction mismatch: the best first, then the\n"
               "                   best longer loops, then the rest.\n"
               "  --select A:B     the selection to search, in frames, or in percent of the\n"
               "                   sound with a trailing % (e.g. 25%:90%); either side may be\n"
               "                   empty. --select 0:100% is the whole sound.\n"
               "  --min PCT        minimum loop length, percent of the selection (0..100, default 50)\n"
               "  --max PCT        maximum loop length, percent of the selection (0..100, default 100)\n"
               "  --type T         forward (default) or alternate\n"
               "  --files-from LIST\n"
               "                   more input files, one name per line (- reads standard\n"
               "                   input); blank lines are skipped. For lists too long\n"
               "                   for a command line.\n"
               "  --help           this text\n";
    case CliCommand::Loop:
        return "Usage: ringtide-cli loop FILE... -o OUT [options]\n"
               "\n"
               "Searches each file for a loop, crossfades the junction and saves the sound\n"
               "with its loop and root note, as the editor's Save does. OUT is the output\n"
               "file for one input, or a folder for several (file names kept; the folder is\n"
               "created when missing). Files are processed in parallel. Prints one JSON line\n"
               "per file on standard output (with \"check\": the loop check of the chosen\n"
               "loop in the sound as saved); a summary of failures goes to standard error.\n"
               "Nothing is written for a file that fails. An output that is one of the\n"
               "inputs (the same file, also through a link) is refused unless --in-place is\n"
               "given, and so is an output that exists but is not a regular file.\n"
               "\n"
               "Search options (as for 'search'):\n"
               "  --select auto    (default) the sustain found by the tool (see search --help)\n"
               "  --select A:B     selection in frames or percent (0:100% is the whole sound)\n"
               "  --min PCT        minimum loop length in percent (default 50)\n"
               "  --max PCT        maximum loop length in percent (default 100)\n"
               "  --type T         forward (default) or alternate\n"
               "\n"
               "Loop and save options:\n"
               "  --solution N     entry N (1..10) of the solutions list (default 1, the best)\n"
               "  --crossfade MS   crossfade length in ms (0..10000, default 0); a length the\n"
               "                   loop has no room for is shortened as the editor's slider\n"
               "                   does, with a warning\n"
               "  --kind K         crossfade curve: linear (default), exponential or inverse\n"
               "  --passes T       times the crossfade is applied (1..4, default 1)\n"
               "  --note MIDI      root note written to the file and target of the tuning\n"
               "                   (0..127; default: the detected note)\n"
               "  --no-tune        keep the sample rate (default: retune it so that the loop\n"
               "                   holds a whole number of periods of the note)\n"
               "  --no-cut         keep the sound after the loop (default: cut it)\n"
               "  --no-unroll      write an alternate loop as such (default: write it unrolled\n"
               "                   as one forward loop)\n"
               "  -j, --jobs N     files processed at once (default: one per core)\n"
               "  -o, --output OUT the output file or folder (required)\n"
               "  --in-place       let each output replace its own input (e.g. -o . in the\n"
               "                   inputs' folder); each input is read whole before its\n"
               "                   output replaces it. Never another file's input.\n"
               "  --files-from LIST\n"
               "                   more input files, one name per line (- reads standard\n"
               "                   input); blank lines are skipped. For lists too long\n"
               "                   for a command line.\n"
               "  --help           this text\n";
    case CliCommand::Check:
        return "Usage: ringtide-cli check FILE... [-j N]\n"
               "\n"
               "Checks the loop stored in each file (its sampler chunk) for what a listener\n"
               "hears where the loop wraps round, and prints one JSON object per file:\n"
               "  file, loop_start, loop_end, loop_type, pitch_hz as for 'info', and\n"
               "  value_jump    the gap at the junction between the wave extrapolated from\n"
               "                the end of the loop and from its start (a parabola through\n"
               "                three samples each side), over the RMS value of two periods\n"
               "                either side. Above 0.25: audible click.\n"
               "  slope_jump    the change of slope across the junction, over the RMS slope\n"
               "                there. Above 1.0 (a corner as sharp as the wave's own slope\n"
               "                turned round): audible click.\n"
               "                Either counts only when also 1.5 times the largest such gap\n"
               "                at any other sample there (bright high notes have their own).\n"
               "  click         the second difference at the junction over the median second\n"
               "                difference of the two periods either side; crest is the\n"
               "                largest figure elsewhere there (the wave's own sharpness).\n"
               "                At least 4, above 1.5 x crest and a second difference of at\n"
               "                least 5 % of the RMS value (a smaller tick is masked by the\n"
               "                tone): audible click.\n"
               "  mismatch      what the wrap changes: the RMS difference between the two\n"
               "                periods either side of the loop end and of the loop start,\n"
               "                over their RMS level, the worse channel (0 seamless, 1.4\n"
               "                unrelated waves; forward loops only). Above 0.7 and 1.5 x\n"
               "                own_mismatch (the same figure for a loop of one period at\n"
               "                either end: how much the sound itself changes): audible click.\n"
               "  periods       the loop length in periods of the pitch measured inside the\n"
               "                loop, made exact where the waves after its two ends line up\n"
               "                (null for an alternate loop or without a pitch)\n"
               "  drift_cents   1200 log2(m / periods), m the nearest whole number: what the\n"
               "                repeat every loop length does to the looped pitch. Beyond\n"
               "                5 cents (about the smallest step heard on a held tone):\n"
               "                pitch drift.\n"
               "  verdict       \"clean\", \"audible click\" or \"pitch drift\" (a click is\n"
               "                reported first). An alternate loop is judged at both turns.\n"
               "                Stereo files: the worse channel.\n"
               "A file without a loop gives \"verdict\": \"no loop\".\n"
               "Exit status: 0 when every file has a clean loop; 1 when any loop is not\n"
               "clean, any file has no loop or cannot be read; 2 for a bad command line.\n"
               "  -j, --jobs N     files checked at once (default: one per core)\n"
               "  --files-from LIST\n"
               "                   more input files, one name per line (- reads standard\n"
               "                   input); blank lines are skipped. For lists too long\n"
               "                   for a command line.\n";
    case CliCommand::Convert:
        return "Usage: ringtide-cli convert FILE... -o OUT [--rate HZ] [--bits B] [options]\n"
               "\n"
               "Converts each file's sample rate, sample format or both, and keeps what\n"
               "the file carries: its loops and cue points move with the sound (each to\n"
               "the frame nearest its exact new position) and its other chunks are\n"
               "written back. No loop search, crossfade or retuning is done. OUT is the\n"
               "output file for one input, or a folder for several (file names kept; the\n"
               "folder is created when missing). Prints one JSON line per file on\n"
               "standard output: file, out, rate_in and rate, format_in and format (as\n"
               "--bits words them), frames_in and frames, and the loops, cues and chunks\n"
               "written, as 'info' lists them; a summary of failures goes to standard\n"
               "error. Nothing is written for a file that fails. An output that is one of the inputs (the\n"
               "same file, also through a link) is refused unless --in-place is given, and\n"
               "so is an output that exists but is not a regular file.\n"
               "\n"
               "Options (at least one of --rate and --bits):\n"
               "  --rate HZ        the new sample rate, 1..768000 frames per second, by the\n"
               "                   editor's resampler (a polyphase sinc filter, at least\n"
               "                   81 dB stop band); pitch and duration stay. A file already\n"
               "                   at HZ keeps its samples.\n"
               "  --bits B         16, 24 or 32 (integer PCM) or float (32-bit IEEE). More\n"
               "                   bits keep every value exactly; fewer round to the\n"
               "                   nearest step (halves upward) and clamp.\n"
               "  -j, --jobs N     files converted at once (default: one per core)\n"
               "  -o, --output OUT the output file or folder (required)\n"
               "  --in-place       let each output replace its own input (each input is\n"
               "                   read whole first). Never another file's input.\n"
               "  --files-from LIST\n"
               "                   more input files, one name per line (- reads standard\n"
               "                   input); blank lines are skipped. For lists too long\n"
               "                   for a command line.\n"
               "  --help           this text\n"
               "Exit status: 0 when every file was converted, 1 when any failed, 2 for a\n"
               "bad command line.\n";
    default:
        return "Usage: ringtide-cli COMMAND [options] FILE...\n"
               "\n"
               "The loop engine of Ringtide for batches of WAV files (PCM, mono or stereo,\n"
               "8, 16, 24 or 32 bits, or float; full resolution is kept). No window,\n"
               "display or sound card is needed.\n"
               "\n"
               "Commands:\n"
               "  info FILE...             format, loop and pitch of each file, as JSON lines\n"
               "  search FILE [options]    the solutions of the loop search, as JSON\n"
               "  loop FILE... -o OUT      search, crossfade and save each file with its loop\n"
               "  check FILE...            check each file's stored loop for clicks and pitch drift\n"
               "  convert FILE... -o OUT   change the rate (--rate) or sample format (--bits),\n"
               "                           keeping the loops, cue points and other chunks\n"
               "\n"
               "search and loop look for the loop in the sustain the tool finds by itself\n"
               "(--select auto, the default); --select 0:100% searches the whole sound.\n"
               "\n"
               "Every command takes --files-from LIST (one name per line, - for standard\n"
               "input) for batches too long for a command line.\n"
               "\n"
               "ringtide-cli COMMAND --help explains each command's options.\n"
               "\n"
               "Exit status: 0 on success, 1 when any file failed, 2 for a bad command line.\n";
    }
}
