// q836-batch: one whole run of the tool without a window, for tests,
// benchmarks and scripts. It shows the form headlessly, applies the choice
// options as a user would edit the controls, and presses OK or Cancel.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "tool/form1.h"
#include "tool/headless_host.h"
#include "view/view_model.h"
#include "view/view_svg.h"

namespace q836 {
namespace {

constexpr const char kUsage[] =
    "usage: q836-batch [--settings FILE] [--cancel] [-o OUT] [choice options] EXCHANGE_FILE\n"
    "       q836-batch --preview [--settings FILE] [choice options] EXCHANGE_FILE\n"
    "       q836-batch --preview-svg FILE [--settings FILE] [choice options] EXCHANGE_FILE\n"
    "\n"
    "Runs the circle-to-point conversion on EXCHANGE_FILE (a JWC_TEMP.TXT as the host\n"
    "writes it) exactly as the dialog does, and writes the result back to EXCHANGE_FILE\n"
    "(or to OUT). Status lines go to standard error.\n"
    "\n"
    "  --settings FILE     load the dialog's settings from FILE and, on OK, save them\n"
    "                      there (without it: the defaults, and nothing is saved)\n"
    "  --cancel            press Cancel instead of OK: the file becomes \"hq\"\n"
    "  -o OUT              write the result to OUT instead of EXCHANGE_FILE\n"
    "  --preview           print what OK would do, as the dialog's foot strip shows\n"
    "                      it, and write nothing\n"
    "  --preview-svg FILE  write the dialog's drawing view to FILE as SVG (figures OK\n"
    "                      converts in class \"converted\", what they become in class\n"
    "                      \"result\") and write nothing else\n"
    "\n"
    "choice options (each sets one control after the settings were shown):\n"
    "  --circles, --no-circles               円 (circles)\n"
    "  --arcs, --no-arcs                     円弧・楕円・楕円弧 (arcs and ellipses)\n"
    "  --circle-solids, --no-circle-solids   円ソリッド (circle solids)\n"
    "  --rim-solids, --no-rim-solids         円周ソリッド (circumference solids)\n"
    "  --ring-solids, --no-ring-solids       円環ソリッド (ring solids)\n"
    "  --radius TEXT       the radius limit in paper mm, as typed into its edit box\n"
    "  --radius-from TEXT  the smallest radius converted (以上), as typed into its\n"
    "                      edit box; an empty TEXT means no lower limit, and a TEXT\n"
    "                      that is no number refuses OK (exit 2)\n"
    "  --point             make plain points (点)\n"
    "  --marker SHAPE      make point markers (点マーカー) of SHAPE: 0-6 or one of\n"
    "                      ＊ ○ ・ ＋ □ △ ×\n"
    "  --scale TEXT        the marker magnification, as typed into its edit box\n"
    "  --keep-originals, --no-keep-originals\n"
    "                      元の図形を残す: the converted figures stay in the file\n"
    "                      beside their points or markers\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "  --                  end of the options: the next argument is the exchange file\n"
    "\n"
    "Ctrl+C (or SIGTERM, SIGHUP) ends the run at once in every mode, writing no\n"
    "new file; during the write-back it acts as ESC does in the dialog: the\n"
    "exchange file becomes \"hq\". A FIFO is waited for at most about 10 s.\n"
    "\n"
    "Exit status: 0 done; 1 the exchange file is missing or could not be read or\n"
    "written, or the selection did not fit into memory; 2 a usage error (one file\n"
    "named for two roles among them), a number beyond the range of a double or a\n"
    "lower limit that is no number;\n"
    "128 + the signal's number (130, 143, 129) when Ctrl+C, SIGTERM or SIGHUP\n"
    "ended the run.\n";

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int signal) {
  if (interrupted == 0) interrupted = signal;
  InterruptFileWaits();
}

// The exit status of a run a signal ended, told on standard error.
int Interrupted() {
  std::fprintf(stderr, "q836-batch: %s\n", FileErrorText(FileError::kInterrupted).data());
  return 128 + interrupted;
}

// A name or message as the terminal may show it: control characters (an
// escape sequence, a line break in a file name) as \xHH.
std::string Printable(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown;
}

void Say(const std::string& text) { std::fprintf(stderr, "%s\n", Printable(text).c_str()); }

// For the tests: with Q836_TEST_PAUSE_AT naming this step, the run says
// "paused at STEP" on standard error and waits (at most 10 s) for a signal,
// then goes on, so that a test can stop it at exactly this point.
void PauseForTest(const char* step) {
  const char* at = std::getenv("Q836_TEST_PAUSE_AT");
  if (!at || std::strcmp(at, step) != 0) return;
  std::fprintf(stderr, "paused at %s\n", step);
  std::fflush(stderr);
  for (int waited = 0; interrupted == 0 && waited < 1000; ++waited) {
    const timespec pause{0, 10 * 1000000L};
    ::nanosleep(&pause, nullptr);
  }
}

// Whether two paths name one file: the same file where both exist, else
// the same place.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  std::error_code otherError;
  const fs::path first = fs::weakly_canonical(a, error),
                 second = fs::weakly_canonical(b, otherError);
  return !error && !otherError && first == second;
}

// Ctrl+C, SIGTERM and SIGHUP stop the run as ESC does; a closed pipe or the
// file size limit reach the writes as errors with their messages, instead
// of killing the run with a temporary file left behind.
void InstallSignalHandlers() {
#ifdef _WIN32
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
#else
  struct sigaction stop {};
  stop.sa_handler = OnInterrupt;
  sigemptyset(&stop.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &stop, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int signal : {SIGPIPE, SIGXFSZ}) sigaction(signal, &ignore, nullptr);
#endif
}

class InterruptKey : public EscapeKey {
 public:
  bool IsDown() override { return interrupted != 0; }
};

// One control change requested on the command line.
struct Choice {
  enum Kind { kCheck, kText, kPoint, kMarker } kind;
  Control control;
  bool checked = false;
  std::string text;
  int32_t marker = 0;
};

// The edit boxes take at most 16 typed characters.
std::string AsTyped(const std::string& text) {
  size_t characters = 0, i = 0;
  while (i < text.size() && characters < 16) {
    ++characters;
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return text.substr(0, i);
}

std::optional<int32_t> MarkerIndexOf(const std::string& shape) {
  if (shape.size() == 1 && shape[0] >= '0' && shape[0] <= '6') return shape[0] - '0';
  for (int32_t i = 0; i <= kLastMarkerIndex; ++i) {
    if (shape == kMarkerShapes[i]) return i;
  }
  return std::nullopt;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "q836-batch: %s\n(try --help)\n", message.c_str());
  return 2;
}

// The drawing view of the loaded selection under the controls, as SVG in
// the designed colours; the form is never closed, so nothing else is written.
int WriteSvg(HeadlessHost& host, const std::string& file, WriteTarget target) {
  ViewModel model;
  model.BeginBuild();
  while (!model.ContinueBuild(size_t{1} << 16)) {
    if (interrupted) return Interrupted();
  }
  SystemColours black_on_white;
  black_on_white.window = black_on_white.buttonFace = {255, 255, 255};
  const std::string text =
      ViewSvg(model, ChoosePalette(black_on_white), ChoiceFromControls(host), FileWaitsInterrupted);
  PauseForTest("svg");
  if (interrupted) return Interrupted();
  AtomicFileWriter writer(host.Files(), std::move(target));
  writer.Write(text);
  // A stop request before the new picture takes the old one's place
  // leaves the old one.
  if (interrupted) return Interrupted();
  if (!writer.Commit()) {
    if (interrupted) return Interrupted();
    Say("q836-batch: " + file + ": " + std::string(FileErrorText(writer.Error())));
    return 1;
  }
  return 0;
}

int Run(int argc, char** argv) {
  std::string settings, out, exchange, svg;
  bool cancel = false, preview = false;
  std::vector<Choice> choices;
  const struct {
    const char* on;
    const char* off;
    Control control;
  } checks[] = {{"--circles", "--no-circles", Control::CheckBox1},
                {"--arcs", "--no-arcs", Control::CheckBox2},
                {"--circle-solids", "--no-circle-solids", Control::CheckBox3},
                {"--rim-solids", "--no-rim-solids", Control::CheckBox4},
                {"--ring-solids", "--no-ring-solids", Control::CheckBox5},
                {"--keep-originals", "--no-keep-originals", Control::CheckBox6}};
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg == "--") {
      if (optionsEnded && !exchange.empty())
        return UsageError("only one exchange file can be given");
      if (optionsEnded) exchange = arg;
      optionsEnded = true;
      continue;
    }
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) return false;
      target = argv[++i];
      return true;
    };
    bool matched = false;
    for (const auto& c : checks) {
      if (arg == c.on || arg == c.off) {
        choices.push_back({Choice::kCheck, c.control, arg == c.on, "", 0});
        matched = true;
      }
    }
    if (matched) continue;
    std::string text;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::puts("q836-batch " Q836_VERSION);
      return 0;
    } else if (arg == "--settings") {
      if (!value(settings)) return UsageError("--settings needs a file");
    } else if (arg == "-o") {
      if (!value(out)) return UsageError("-o needs a file");
    } else if (arg == "--cancel") {
      cancel = true;
    } else if (arg == "--preview") {
      preview = true;
    } else if (arg == "--preview-svg") {
      if (!value(svg) || svg.empty()) return UsageError("--preview-svg needs a file");
    } else if (arg == "--radius" || arg == "--scale" || arg == "--radius-from") {
      if (!value(text)) return UsageError(arg + " needs a text");
      const Control edit = arg == "--radius"  ? Control::Edit1
                           : arg == "--scale" ? Control::Edit2
                                              : Control::Edit3;
      choices.push_back({Choice::kText, edit, false, AsTyped(text), 0});
    } else if (arg == "--point") {
      choices.push_back({Choice::kPoint, Control::RadioButton1, false, "", 0});
    } else if (arg == "--marker") {
      if (!value(text)) return UsageError("--marker needs a shape");
      const std::optional<int32_t> index = MarkerIndexOf(text);
      if (!index) return UsageError("unknown marker shape '" + Printable(text) + "'");
      choices.push_back({Choice::kMarker, Control::RadioButton2, false, "", *index});
    } else if (!arg.empty() && arg[0] == '-') {
      return UsageError("unknown option '" + Printable(arg) + "'");
    } else if (exchange.empty()) {
      exchange = arg;
    } else {
      return UsageError("only one exchange file can be given");
    }
  }
  if (exchange.empty()) return UsageError("no exchange file given");
  // A file is read or written in one role only: the picture never replaces
  // the drawing or the settings, nor the settings the result.
  const std::string& result = out.empty() ? exchange : out;
  if (!svg.empty() && (SameFile(svg, exchange) || (!settings.empty() && SameFile(svg, settings)))) {
    return UsageError("--preview-svg names the exchange or settings file");
  }
  if (!settings.empty() && (SameFile(settings, result) || SameFile(settings, exchange))) {
    return UsageError("--settings names the exchange file or the result");
  }

  InstallSignalHandlers();
  InterruptKey escape;
  HeadlessHost host(argv[0], escape);
  host.onStatus = [](const std::string& caption) { Say(caption); };
  host.onMessage = [](const std::string& text) { Say("q836-batch: " + text); };
  // The picture's folder is settled before anything is read, as the
  // form settles its own files'.
  WriteTarget svgTarget;
  if (!svg.empty()) svgTarget = host.Files().ResolveForWriting(svg);
  TForm1 form(host);
  form.PathOverride = RunPaths{exchange, out.empty() ? exchange : out, settings};
  form.FormShow();
  if (form.OutOfMemory()) return 1;  // told, and the file is "hq" or as it was
  // Stopped while loading: nothing is written, the input stays as it was.
  if (interrupted) return Interrupted();
  if (form.LoadFailed()) {
    Say("q836-batch: " + exchange + ": " + host.Text(Control::LabelA1));
    return 1;  // nothing is written: the input stays as it was
  }
  if (form.ExchangeMissing()) {
    // A mistyped name must not create a file.
    Say("q836-batch: " + exchange + ": " + std::string(ReadErrorText(FileError::kFileMissing)));
    return 1;
  }
  for (const Choice& c : choices) {
    switch (c.kind) {
      case Choice::kCheck:
        host.SetChecked(c.control, c.checked);
        break;
      case Choice::kText:
        host.SetText(c.control, c.text);
        break;
      case Choice::kPoint:
        SetRadioGroupButton(host, Control::RadioButton1, true);
        break;
      case Choice::kMarker:
        SetRadioGroupButton(host, Control::RadioButton2, true);
        host.SetItemIndex(Control::ComboBox1, c.marker);
        break;
    }
  }
  if (!svg.empty()) return WriteSvg(host, svg, std::move(svgTarget));
  if (preview) {
    const std::vector<PreviewLine> lines = form.Preview();
    if (form.OutOfMemory()) return 1;
    PauseForTest("preview");
    if (interrupted) return Interrupted();
    const std::string text = PreviewText(lines, "\n");
    std::fputs(text.c_str(), stdout);
    if (!text.empty()) std::fputc('\n', stdout);
    return 0;  // the form is never closed: nothing is written
  }
  PauseForTest("write-back");
  if (cancel) {
    form.Button2Click();
  } else {
    form.Button1Click();
    if (form.Refused()) return 2;  // told which field; nothing was written
  }
  // A file that could not be written, or memory that ran out, was told
  // through the form's message. A stop during the write-back made the
  // file "hq", as ESC does.
  if (form.OutOfMemory()) return 1;
  if (interrupted) return Interrupted();
  return form.ExchangeWritten() ? 0 : 1;
}

}  // namespace
}  // namespace q836

int main(int argc, char** argv) {
  try {
    return q836::Run(argc, argv);
  } catch (const std::bad_alloc&) {
    // Outside the form (the command line, the controls): nothing was written.
    std::fprintf(stderr, "q836-batch: %s\n", q836::kOutOfMemoryMessage.data());
    return 1;
  }
}
