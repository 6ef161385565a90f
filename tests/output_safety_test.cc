// Both commands against hostile paths and broken outputs, run as a user
// would in a temporary folder: nothing the user had is lost, nothing
// half-written is left, and no failure is reported as success.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "folder_run.h"
#include "test_support.h"

namespace mpdetect {

namespace fs = std::filesystem;

namespace {

const std::string CURVE = std::string("'") + MPPLAN_BINARY + "' curve";
const std::string LOCI = std::string("'") + MPPLAN_BINARY + "' loci";
const std::string STUDY = std::string("'") + MPPLAN_BINARY + "' study";
// Runs what follows as the unprivileged user nobody (needs root).
const std::string AS_NOBODY = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
const std::string PROGRAM = std::string("'") + MPDETECT_BINARY + "'";

class OutputSafetyTest : public FolderTest {
 protected:
  void SetUp() override {
    FolderTest::SetUp();
    write("mmdata.txt", EXAMPLE_STUDY);
  }

  // Runs a shell command line in the folder; returns its exit status.
  int shell(const std::string& line) {
    return WEXITSTATUS(std::system(("cd '" + folder_.string() + "' || exit 1\n" + line).c_str()));
  }

  // Files in the folder other than these.
  std::string others(std::initializer_list<std::string> expected) {
    std::string found;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (std::find(expected.begin(), expected.end(), name) == expected.end()) found += name + " ";
    }
    return found;
  }
};

bool is_root() {
  return geteuid() == 0;
}

}  // namespace

// Where --output points, and what must be true afterwards.
TEST_F(OutputSafetyTest, OutputPathsOfEveryKind) {
  struct Row {
    const char* name;
    const char* setup;   // shell commands before the run
    const char* output;  // --output
    int status;
    const char* check;  // shell test that must pass afterwards
    bool needs_root;
  };
  const std::string table_head = "brood_size,probability";
  const Row rows[] = {
      {"new file", "true", "t.csv", 0, "grep -q brood_size t.csv", false},
      {"permissions kept", "echo old > t.csv && chmod 640 t.csv", "t.csv", 0,
       "grep -q brood_size t.csv && [ \"$(stat -c %a t.csv)\" = 640 ]", false},
      {"symbolic link kept, target written", "echo old > target.csv && ln -s target.csv t.csv",
       "t.csv", 0, "[ -L t.csv ] && grep -q brood_size target.csv", false},
      {"link to a missing file", "ln -s made.csv t.csv", "t.csv", 0,
       "[ -L t.csv ] && grep -q brood_size made.csv", false},
      {"hard link shares the table", "echo old > t.csv && ln t.csv other.csv", "t.csv", 0,
       "grep -q brood_size other.csv && [ t.csv -ef other.csv ]", false},
      {"character device written, not replaced", "mknod -m 666 null c 1 3", "null", 0,
       "[ -c null ]", true},
      {"FIFO written", "mkfifo pipe && (cat pipe > from-pipe.csv &)", "pipe", 0,
       "sleep 0.2; [ -p pipe ] && grep -q brood_size from-pipe.csv", false},
      {"the data file is never written", "true", "mmdata.txt", 2, "cmp -s mmdata.txt .study",
       false},
      {"nor through a link", "ln -s mmdata.txt t.csv", "t.csv", 2, "cmp -s mmdata.txt .study",
       false},
      {"a folder is refused", "mkdir t.csv", "t.csv", 2, "[ -d t.csv ]", false},
      {"a long name the file system takes", "true",
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.csv",
       0, "grep -q brood_size aaaaaaaaaa*.csv", false},
  };
  for (const Row& row : rows) {
    if (row.needs_root && !is_root()) {
      std::printf("skipped \"%s\": device nodes need root\n", row.name);
      continue;
    }
    TearDown();
    SetUp();
    write(".study", EXAMPLE_STUDY);
    ASSERT_EQ(shell(row.setup), 0) << row.name;
    const FolderResult r =
        run_program(CURVE + " --seed 3 --to 3 --output '" + row.output + "'", "");
    EXPECT_EQ(r.status, row.status) << row.name << ": " << r.errors;
    EXPECT_EQ(shell(row.check), 0) << row.name;
    if (row.status != 0) {
      EXPECT_NE(r.errors.find("mpplan: "), std::string::npos) << r.errors;
    }
    const std::string left = others({"mmdata.txt", ".study", "t.csv", "target.csv", "made.csv",
                                     "other.csv", "null", "pipe", "from-pipe.csv", row.output});
    EXPECT_EQ(left, "") << row.name << ": left behind";
  }
}

TEST_F(OutputSafetyTest, TwoOutputsToOneFileAreRefusedBeforeAnyWork) {
  write("x.png", "old\n");
  const FolderResult r = run_program(CURVE + " --output x.png --plot ./x.png", "");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.errors, "mpplan: will not write two outputs to one file: x.png and ./x.png\n");
  EXPECT_EQ(read("x.png"), "old\n");
}

// Output that cannot be written ends with a non-zero status, whatever the
// answers, and says so where it still can.
TEST_F(OutputSafetyTest, LostOutputIsAFailure) {
  struct Row {
    const char* name;
    std::string command;
    int status;
  };
  const Row rows[] = {
      {"table to a full device", CURVE + " --seed 1 --to 3 > /dev/full 2> /dev/null", 1},
      {"target line to a full device", CURVE + " --seed 1 --to 3 > /dev/null 2> /dev/full", 1},
      {"dialogue to a full device", "echo -5 | " + PROGRAM + " > /dev/full 2> /dev/null", 1},
      {"dialogue with standard output closed", "echo -5 | " + PROGRAM + " >&- 2> /dev/null", 1},
      {"dialogue with both closed", "echo -5 | " + PROGRAM + " >&- 2>&-", 1},
      {"help to a full device", CURVE + " --help > /dev/full 2> /dev/null", 1},
      {"dialogue that works", "echo -5 | " + PROGRAM + " > /dev/null", 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(shell(row.command), row.status) << row.name;
  }
  EXPECT_EQ(shell("echo -5 | " + PROGRAM + " > /dev/full 2> .errors; cat .errors > .seen"), 0);
  EXPECT_EQ(read(".seen"), "mpdetect: cannot write to standard output\n");
}

// Data files that never end, are no files, or come from Windows editors.
TEST_F(OutputSafetyTest, DataFilesOfEveryKind) {
  struct Row {
    const char* name;
    const char* setup;
    int status;
    const char* output_starts;
  };
  const Row rows[] = {
      {"endless zero bytes", "ln -sf /dev/zero mmdata.txt", 1,
       "Data file error, line 1: the number of loci is far too long to be a number.\n"},
      {"endless blanks",
       "rm mmdata.txt && mkfifo mmdata.txt && (tr '\\0' ' ' < /dev/zero > mmdata.txt 2>&- &)", 1,
       "Data file error, line 1: the file goes on for more than 1 MiB before the number of loci; "
       "a study file is far smaller.\n"},
      {"a folder", "rm mmdata.txt && mkdir mmdata.txt", 1,
       "Cannot open file! Ensure that your data is in same directory as program file.\n"},
      {"a byte order mark", "printf '\\357\\273\\277' | cat - .study > mmdata.txt", 1,
       "Data file read in.\n\n"},
  };
  for (const Row& row : rows) {
    TearDown();
    SetUp();
    write(".study", EXAMPLE_STUDY);
    ASSERT_EQ(shell(row.setup), 0) << row.name;
    const FolderResult r = run_program("timeout 20 " + PROGRAM, "0\n");
    EXPECT_EQ(r.status, row.status) << row.name;
    EXPECT_EQ(r.output.substr(0, std::string(row.output_starts).size()), row.output_starts)
        << row.name;
  }
}

// Killed while gnuplot draws: the earlier image stays, gnuplot is ended and
// no temporary file is left. The gnuplot here is a stand-in that writes a
// little, says it has started and then waits to be killed.
TEST_F(OutputSafetyTest, KilledWhilePlottingLeavesNothingBehind) {
  fs::create_directory(folder_ / "bin");
  write("bin/gnuplot",
        "#!/bin/sh\ncat > /dev/null\nprintf 'half an image'\necho $$ > started\nexec sleep 30\n");
  fs::permissions(folder_ / "bin/gnuplot", fs::perms::owner_all);
  write("curve.png", "the earlier image");
  for (const char* signal_name : {"TERM", "INT", "HUP", "QUIT", "USR1", "ALRM", "ABRT", "XFSZ"}) {
    const int status =
        shell("PATH=\"$PWD/bin:$PATH\" " + CURVE +
              " --seed 1 --to 5 --output table.csv --plot curve.png 2> .errors & pid=$!; "
              "for n in $(seq 200); do [ -f started ] && break; sleep 0.05; done; "
              "kill -" +
              std::string(signal_name) + " $pid; wait $pid; echo $? > .status");
    ASSERT_EQ(status, 0);
    EXPECT_NE(read(".status"), "0\n") << signal_name;
    EXPECT_EQ(read("curve.png"), "the earlier image") << signal_name;
    EXPECT_FALSE(fs::exists(folder_ / "table.csv")) << signal_name << ": the table went ahead";
    std::string sleeper = read("started");
    sleeper = sleeper.substr(0, sleeper.find('\n'));
    ASSERT_FALSE(sleeper.empty()) << signal_name << ": the stand-in never started";
    EXPECT_NE(shell("kill -0 " + sleeper + " 2> /dev/null"), 0) << "gnuplot was not ended";
    EXPECT_EQ(
        others({"mmdata.txt", "bin", "curve.png", "table.csv", "started", ".errors", ".status"}),
        "")
        << signal_name;
    fs::remove(folder_ / "started");
  }
}

// A run's outputs are one transaction: a run that fails, before its work or
// after it, leaves every earlier output as it was; what a shell's `>` could
// not write is refused before any work; a replaced file keeps its owner,
// group and mode. As root each row runs once as root and once as the
// unprivileged user nobody (from a copy of the program it can run);
// otherwise as the user running the tests.
TEST_F(OutputSafetyTest, OutputsAreOneTransaction) {
  struct Row {
    const char* name;
    const char* setup;  // shell commands before the run, as the test's user
    const char* arguments;
    int status;         // -1: as `>` would (0 for root, 2 for any other user)
    const char* check;  // shell test that must pass afterwards
  };
  const Row rows[] = {
      {"a legend into a missing folder", "echo old > st.txt",
       "study pop.gen -o st.txt --legend nodir/leg.csv", 2, "[ \"$(cat st.txt)\" = old ]"},
      {"a figure into a missing folder", "echo old > t.csv",
       "curve mmdata.txt --seed 1 --to 3 -o t.csv --plot nodir/f.png", 2,
       "[ \"$(cat t.csv)\" = old ]"},
      {"a read-only table", "echo old > t.csv && chmod 444 t.csv",
       "curve mmdata.txt --seed 1 --to 3 -o t.csv", -1,
       "[ \"$(stat -c %a t.csv)\" = 444 ] && { [ \"$(id -u)\" = 0 ] || [ \"$(cat t.csv)\" = old ]; "
       "}"},
      {"a link loop", "ln -s loop loop", "curve mmdata.txt --seed 1 --to 3 -o loop", 2,
       "[ -L loop ]"},
      {"a name too long", "echo old > t.csv",
       "curve mmdata.txt --seed 1 --to 3 -o t.csv --plot "
       "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"
       "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"
       "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"
       "bbbbbbbbbb.png",
       2, "[ \"$(cat t.csv)\" = old ]"},
      {"a folder that cannot be searched", "mkdir shut && chmod 0 shut && echo old > t.csv",
       "curve mmdata.txt --seed 1 --to 3 -o t.csv --plot shut/f.png", -1,
       "[ \"$(id -u)\" = 0 ] || [ \"$(cat t.csv)\" = old ]"},
      {"gnuplot prints text and ends well", "echo old > t.csv && echo oldfig > f.png",
       "curve mmdata.txt --seed 1 --to 3 -o t.csv --plot f.png", 1,
       "[ \"$(cat t.csv)\" = old ] && [ \"$(cat f.png)\" = oldfig ]"},
      {"a refused input", "echo old > st.txt && echo oldleg > leg.csv && echo 'x' > bad.gen",
       "study bad.gen -o st.txt --legend leg.csv", 1,
       "[ \"$(cat st.txt)\" = old ] && [ \"$(cat leg.csv)\" = oldleg ]"},
      {"both put in place", "echo old > st.txt && echo oldleg > leg.csv",
       "study pop.gen -o st.txt --legend leg.csv", 0,
       "grep -q '^99 0$' st.txt && grep -q '^locus,index,allele$' leg.csv"},
  };
  std::vector<std::string> users = {""};
  if (is_root()) users.push_back(AS_NOBODY);
  for (const std::string& user : users) {
    for (const Row& row : rows) {
      TearDown();
      SetUp();
      fs::permissions(folder_, fs::perms::all);
      fs::copy_file(MPPLAN_BINARY, folder_ / "mpplan");
      fs::copy_file(fs::path(EXAMPLES_DIR) / "population.gen", folder_ / "pop.gen");
      // A stand-in gnuplot that says something and ends well, drawing nothing.
      fs::create_directory(folder_ / "bin");
      write("bin/gnuplot", "#!/bin/sh\ncat > /dev/null\necho 'warning: something'\nexit 0\n");
      fs::permissions(folder_ / "bin/gnuplot", fs::perms::all);
      const bool stand_in = std::string(row.name).find("gnuplot") != std::string::npos;
      // The files are the run's user's own, as in a folder of theirs.
      write(".setup", row.setup);
      write(".check", row.check);
      ASSERT_EQ(shell(user + " sh .setup"), 0) << row.name;
      const int status =
          shell(user + " env PATH=\"" + (stand_in ? "$PWD/bin:" : "") + "$PATH\" ./mpplan " +
                row.arguments + " > .out 2> .err; echo $? > .status");
      ASSERT_EQ(status, 0);
      int expected = row.status;
      if (expected == -1) expected = user.empty() && is_root() ? 0 : 2;
      const std::string label = std::string(row.name) + (user.empty() ? "" : " (as nobody)");
      EXPECT_EQ(read(".status"), std::to_string(expected) + "\n") << label << ": " << read(".err");
      EXPECT_EQ(shell(user + " sh .check"), 0) << label << ": " << read(".err");
      const std::string left =
          others({"mmdata.txt", "mpplan", "pop.gen", "bin", "st.txt", "t.csv", "leg.csv", "bad.gen",
                  "loop", "shut", "f.png", ".out", ".err", ".status", ".setup", ".check"});
      EXPECT_EQ(left, "") << label << ": left behind";
      shell("chmod 700 shut 2> /dev/null; true");
    }
  }
}

// Replacing a file keeps its owner, group and mode; a file its user may
// write but not give away is rewritten in place, as `>` would.
TEST_F(OutputSafetyTest, ReplacedFilesKeepOwnerGroupAndMode) {
  if (!is_root()) GTEST_SKIP() << "giving files to other users needs root";
  fs::permissions(folder_, fs::perms::all);
  fs::copy_file(MPPLAN_BINARY, folder_ / "mpplan");
  ASSERT_EQ(shell("echo old > theirs.csv && chown 65534:65534 theirs.csv && chmod 640 theirs.csv"),
            0);
  ASSERT_EQ(shell("./mpplan curve mmdata.txt --to 3 --seed 1 -o theirs.csv 2> /dev/null"), 0);
  EXPECT_EQ(shell("[ \"$(stat -c %u:%g:%a theirs.csv)\" = 65534:65534:640 ] && "
                  "grep -q brood_size theirs.csv"),
            0);
  // Root's file, writable by the group nobody is in, written by nobody.
  ASSERT_EQ(shell("echo old > shared.csv && chown 0:65534 shared.csv && chmod 664 shared.csv"), 0);
  ASSERT_EQ(shell(AS_NOBODY + "./mpplan curve mmdata.txt --to 3 --seed 1 -o shared.csv 2> .err"), 0)
      << read(".err");
  EXPECT_EQ(shell("[ \"$(stat -c %u:%g:%a shared.csv)\" = 0:65534:664 ] && "
                  "grep -q brood_size shared.csv"),
            0);
  // And as nobody, root's own 644 file is refused, owner and content kept.
  ASSERT_EQ(shell("echo old > root.csv && chmod 644 root.csv"), 0);
  EXPECT_EQ(shell(AS_NOBODY + "./mpplan curve mmdata.txt --to 3 --seed 1 -o root.csv 2> .err"), 2);
  EXPECT_EQ(shell("[ \"$(stat -c %u:%a root.csv)\" = 0:644 ] && [ \"$(cat root.csv)\" = old ]"), 0);
  EXPECT_NE(read(".err").find("Permission denied"), std::string::npos) << read(".err");
}

// No text of the user's reaches gnuplot as code: titles, input file names,
// locus names and labels with backquotes, system(), macros, both quotes,
// line ends and backslashes are drawn as text, and nothing runs.
TEST_F(OutputSafetyTest, FigureTextsRunNothing) {
  if (!have_command("gnuplot")) GTEST_SKIP() << "gnuplot is not installed";
  const std::string hostile =
      "x`touch ran1` $(touch ran2) \" ' system(\"touch ran3\") @m \\ \\n end";
  write("a`touch ran4`.txt", EXAMPLE_STUDY);
  write("loci.gen",
        "title\nL`touch ran5`, L'q\"system(\"touch ran6\")\nPop\na, 0101 0102\nb, 0202 0201\n"
        "c, 0303 0103\n");
  write("title.txt", hostile + "\nsecond line\r\nthird");
  const FolderResult curve = run_program(CURVE +
                                             " --seed 1 --to 4 'a`touch ran4`.txt' mmdata.txt "
                                             "--plot c.svg --title \"$(cat title.txt)\"",
                                         "");
  EXPECT_EQ(curve.status, 0) << curve.errors;
  const FolderResult loci = run_program(
      LOCI + " loci.gen --size 5 --seed 1 --plot l.svg --title \"$(cat title.txt)\"", "");
  EXPECT_EQ(loci.status, 0) << loci.errors;
  // The PNG is gnuplot's, from a script holding the same texts.
  const FolderResult png = run_program(
      LOCI + " loci.gen --size 5 --seed 1 --plot l.png --title \"$(cat title.txt)\"", "");
  EXPECT_EQ(png.status, 0) << png.errors;
  for (const char* ran : {"ran1", "ran2", "ran3", "ran4", "ran5", "ran6"})
    EXPECT_FALSE(fs::exists(folder_ / ran)) << ran << " was made: a text ran as a command";
  const std::string svg = read("c.svg");
  EXPECT_NE(svg.find("x`touch ran1` $(touch ran2)"), std::string::npos);
  EXPECT_NE(svg.find("second line"), std::string::npos);
  EXPECT_NE(svg.find("a`touch ran4`.txt"), std::string::npos);
  EXPECT_NE(read("l.svg").find("L`touch ran5`"), std::string::npos);
}

// Standard streams and descriptors named as outputs are written through, as
// a shell's `>` and `>>` would: what the file behind them held stays.
TEST_F(OutputSafetyTest, DescriptorNamesAreWrittenThrough) {
  fs::copy_file(fs::path(EXAMPLES_DIR) / "population.gen", folder_ / "pop.gen");
  const std::string study = STUDY + " pop.gen";
  struct Row {
    const char* name;
    std::string line;   // run in the folder
    const char* check;  // shell test that must pass afterwards
  };
  const Row rows[] = {
      {"between two lines",
       "{ echo HEAD; " + study +
           " -o /dev/stdout --legend l.csv; echo TAIL; } "
           "> out.txt 2> /dev/null",
       "[ \"$(head -1 out.txt)\" = HEAD ] && [ \"$(tail -1 out.txt)\" = TAIL ] && "
       "grep -q '^99 0$' out.txt"},
      {"appended",
       "echo earlier > log && " + study +
           " -o /dev/stdout --legend l.csv >> log "
           "2> /dev/null",
       "[ \"$(head -1 log)\" = earlier ] && grep -q '^99 0$' log"},
      {"a descriptor by number", study + " -o /dev/fd/3 --legend l.csv 3> fd3.txt 2> /dev/null",
       "grep -q '^99 0$' fd3.txt"},
      {"a link to standard output",
       "ln -s /dev/stdout out && " + study + " -o out --legend l.csv > via.txt 2> /dev/null",
       "[ -L out ] && grep -q '^99 0$' via.txt"},
      {"- is standard output", study + " -o - > dash.txt 2> /dev/null",
       "grep -q '^99 0$' dash.txt && [ ! -e ./- ] && [ ! -e ./-.legend.csv ]"},
      {"no legend beside a device", study + " -o /dev/stdout > dev.txt 2> .err",
       "grep -q '^99 0$' dev.txt && [ ! -e /dev/stdout.legend.csv ] && "
       "grep -q 'no allele legend beside /dev/stdout' .err"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(shell(row.line), 0) << row.name;
    EXPECT_EQ(shell(row.check), 0) << row.name;
  }
}

// The input is never an output, whatever name either goes by.
TEST_F(OutputSafetyTest, StandardInputIsNeverWritten) {
  fs::copy_file(fs::path(EXAMPLES_DIR) / "population.gen", folder_ / "pc.gen");
  const std::string study = STUDY + " -";
  for (const char* output : {"pc.gen", "/dev/stdin", "./pc.gen"}) {
    EXPECT_EQ(shell(study + " -o " + output + " --legend l.csv < pc.gen 2> .err"), 2) << output;
    EXPECT_EQ(shell(std::string("cmp -s pc.gen '") + EXAMPLES_DIR + "/population.gen'"), 0)
        << output << ": the input was replaced";
    EXPECT_NE(read(".err").find("it is the input read from standard input"), std::string::npos)
        << read(".err");
  }
}

// A FIFO nobody reads: the run waits, but a signal still ends it and takes
// its temporaries with it.
TEST_F(OutputSafetyTest, WaitingOnAFifoHonoursSignals) {
  fs::copy_file(fs::path(EXAMPLES_DIR) / "population.gen", folder_ / "pop.gen");
  for (const char* signal_name : {"INT", "TERM", "HUP"}) {
    ASSERT_EQ(shell("rm -f fifo && mkfifo fifo && echo old > l.csv"), 0);
    const int status = shell(STUDY +
                             " pop.gen -o fifo --legend l.csv 2> /dev/null & pid=$!; "
                             "sleep 0.5; kill -" +
                             std::string(signal_name) +
                             " $pid; for n in $(seq 100); do kill -0 $pid 2> /dev/null || break; "
                             "sleep 0.05; done; kill -0 $pid 2> /dev/null && kill -9 $pid && "
                             "exit 9; exit 0");
    EXPECT_EQ(status, 0) << signal_name << ": the signal was held off";
    EXPECT_EQ(read("l.csv"), "old\n") << signal_name;
    EXPECT_EQ(others({"mmdata.txt", "pop.gen", "fifo", "l.csv"}), "")
        << signal_name << ": left behind";
  }
}

// A run whose standard error fails has failed: no output is put in place,
// and no table is written.
TEST_F(OutputSafetyTest, LostMessagesPutNothingInPlace) {
  write("fig.svg", "old");
  for (const char* errors : {"2> /dev/full", "2>&-"}) {
    EXPECT_EQ(shell(CURVE + " mmdata.txt --seed 1 --to 4 --plot fig.svg > t.txt " + errors), 1)
        << errors;
    EXPECT_EQ(read("fig.svg"), "old") << errors;
    EXPECT_EQ(read("t.txt"), "") << errors;
  }
}

// A process limit that lets no thread start: the run does its work on the
// threads it has, with the same results.
TEST_F(OutputSafetyTest, ThreadsThatCannotStartAreDoneWithout) {
  if (!is_root()) GTEST_SKIP() << "a process limit that binds needs another user (root)";
  fs::permissions(folder_, fs::perms::all);
  fs::copy_file(MPPLAN_BINARY, folder_ / "mpplan");
  fs::copy_file(fs::path(EXAMPLES_DIR) / "population.gen", folder_ / "pop.gen");
  fs::permissions(folder_ / "pop.gen", fs::perms::all);
  const std::string run = "./mpplan curve pop.gen --sires 2 --sires 3 --sires 4 --to 5 --seed 1";
  ASSERT_EQ(shell(run + " > free.csv 2> /dev/null"), 0);
  // LeakSanitizer, in a sanitized build, needs a thread of its own at exit.
  EXPECT_EQ(shell(AS_NOBODY + "bash -c 'ulimit -u 1; ASAN_OPTIONS=detect_leaks=0 exec " + run +
                  "' > limited.csv 2> .err"),
            0)
      << read(".err");
  EXPECT_EQ(read("limited.csv"), read("free.csv"));
  EXPECT_NE(read("free.csv").find("brood_size"), std::string::npos);
}

}  // namespace mpdetect
