// The console host's options, text sources and output forms.
#include "cli/Host.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/Catalogue.h"
#include "core/Abort.h"
#include "core/EntryPoints.h"
#include "core/Sandbox.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "dataset/SqlHooks.h"
#include "dbfunctions/DBHooks.h"
#include "dbfunctions/DBVarList.h"
#include "runtime/DataSet.h"
#include "runtime/Handles.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Stream.h"
#include "support/ObjStream.h"
#include "support/StrFuncs.h"

namespace qnexp::cli {

namespace {

const char* const kHelp =
    "usage: qnexp [OPTION]... [TEXT]...\n"
    "Translates and evaluates expression texts in order, in one process (variables\n"
    "and functions carry over), and prints each value on a line of its own. Without\n"
    "texts it reads one text per line: at an interactive prompt on a terminal,\n"
    "otherwise from standard input.\n"
    "\n"
    "Texts:\n"
    "  TEXT                  an expression text\n"
    "  -e TEXT               an expression text, also one that starts with \"-\"\n"
    "  -f FILE               a whole file as one text\n"
    "  --load FILE           an expression tree from an object-stream file\n"
    "  --                    everything after it is a text, even one with a \"-\"\n"
    "Output and input:\n"
    "  --json                one JSON object per text, such as\n"
    "                        {\"status\":0,\"type\":\"etInteger\",\"text\":\"7\"}\n"
    "  --dump                print each translated tree in the object stream's text\n"
    "                        form instead of its value\n"
    "  --encoding NAME       UTF-8 (the default) or GBK, for arguments, files, input\n"
    "                        and output\n"
    "Safety:\n"
    "  --sandbox             refuse functions that act outside the engine (processes,\n"
    "                        files, registry, clipboard, dialogs), bound each text's\n"
    "                        time and memory\n"
    "  --timeout SECONDS     with --sandbox: each text's time (default 10, 0: none)\n"
    "Databases:\n"
    "  --db TEXT             the default database: a SQLite file or :memory:\n"
    "  --table ALIAS=NAME    open a table before the texts run, published as ALIAS\n"
    "  --sql ALIAS=SELECT... open a query the same way\n"
    "Help:\n"
    "  --functions [PATTERN] list the functions with their parameters and what they\n"
    "                        do; a PATTERN (* any run, ? one character) picks them by\n"
    "                        name or description\n"
    "  -h, --help            this help\n"
    "  --version             the program's version\n"
    "\n"
    "At the prompt, ?NAME describes a function and ?PATTERN lists the matching ones;\n"
    "Ctrl+C stops an evaluation, Ctrl+D ends.\n"
    "\n"
    "Exit status: 0 all went well; 1 an evaluation raised or was stopped; 2 a\n"
    "translation failed; 3 usage error (unknown option, unreadable file, undecodable\n"
    "text, no such function).\n"
    "\n"
    "Examples:\n"
    "  qnexp \"1 + 2 * 3\"                            prints 7\n"
    "  qnexp \"price := 12.5\" \"price * 4 : '%.2f'\"   prints 12.5 and 50.00\n"
    "  qnexp \"RMBFormat(1234.56, '@3&&~')\"           the amount in Chinese capitals\n"
    "  qnexp --functions 'Add*'                     AddDay, AddHour, ...\n";

const char* const kPromptHelp =
    "Type an expression and press Enter. ?NAME describes a function, ?PATTERN\n"
    "lists those whose name or description matches (?DB_*, ?*Date*), ? shows this.\n"
    "Ctrl+D ends.\n";

struct TUsageError {
  std::string Message;
};

enum TSourceKind { skText, skFile, skLoad };

struct TSource {
  TSourceKind Kind;
  std::string Value;  // as given on the command line
};

struct TOptions {
  bool Help = false;
  bool Version = false;
  bool Functions = false;        // list the functions instead of evaluating
  std::string FunctionPattern;  // as given; empty for all
  bool Json = false;
  bool Gbk = false;  // the outside world's encoding: UTF-8 unless GBK was asked for
  bool Dump = false;  // print the translated tree's text form instead of evaluating
  TSandboxSettings Sandbox;
  bool TimeoutGiven = false;
  std::vector<TSource> Sources;
  bool DatabaseGiven = false;
  std::string Database;  // --db, as given
  // --table and --sql, in order: the alias and the table name or statement, as given.
  struct TDataSetOption {
    bool Table;
    std::string Alias;
    std::string Text;
  };
  std::vector<TDataSetOption> DataSets;
};

// "ALIAS=TEXT": an alias (a name) and a text, neither empty.
TOptions::TDataSetOption DataSetOption(const std::string& option, const std::string& value) {
  size_t equals = value.find('=');
  if (equals == 0 || equals == std::string::npos || equals + 1 == value.size())
    throw TUsageError{option + " needs ALIAS=" + (option == "--table" ? "NAME" : "SELECT...") +
                      ", not '" + value + "'"};
  return {option == "--table", value.substr(0, equals), value.substr(equals + 1)};
}

// A time budget in seconds: a number from 0 (no bound) to a day.
double Seconds(const std::string& text) {
  char* end = nullptr;
  double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(seconds >= 0 && seconds <= 86400))
    throw TUsageError{"--timeout needs a number of seconds from 0 to 86400, not '" + text + "'"};
  return seconds;
}

TOptions ParseArgs(const std::vector<std::string>& args) {
  TOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw TUsageError{"option " + arg + " needs a value"};
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      options.Help = true;
      return options;
    } else if (arg == "--version") {
      options.Version = true;
      return options;
    } else if (arg == "--") {
      while (++i < args.size()) options.Sources.push_back({skText, args[i]});
    } else if (arg == "--functions") {
      options.Functions = true;
      if (i + 1 < args.size() && (args[i + 1].empty() || args[i + 1][0] != '-'))
        options.FunctionPattern = args[++i];
    } else if (arg == "--json") {
      options.Json = true;
    } else if (arg == "--encoding") {
      std::string name = value();
      std::string upper = UpperCase(name);
      if (upper == "UTF-8" || upper == "UTF8")
        options.Gbk = false;
      else if (upper == "GBK" || upper == "CP936" || upper == "GB2312")
        options.Gbk = true;
      else
        throw TUsageError{"unknown encoding '" + name + "' (UTF-8 or GBK)"};
    } else if (arg == "-e") {
      options.Sources.push_back({skText, value()});
    } else if (arg == "-f") {
      options.Sources.push_back({skFile, value()});
    } else if (arg == "--dump") {
      options.Dump = true;
    } else if (arg == "--load") {
      options.Sources.push_back({skLoad, value()});
    } else if (arg == "--db") {
      options.Database = value();
      options.DatabaseGiven = true;
    } else if (arg == "--table" || arg == "--sql") {
      options.DataSets.push_back(DataSetOption(arg, value()));
    } else if (arg == "--sandbox") {
      options.Sandbox.Enabled = true;
    } else if (arg == "--timeout") {
      options.Sandbox.TimeBudget = Seconds(value());
      options.TimeoutGiven = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw TUsageError{"unknown option '" + arg + "'"};
    } else {
      options.Sources.push_back({skText, arg});
    }
  }
  if (options.TimeoutGiven && !options.Sandbox.Enabled)
    throw TUsageError{"--timeout needs --sandbox"};
  if (options.Functions && !options.Sources.empty())
    throw TUsageError{"--functions lists functions and evaluates no texts"};
  return options;
}

// Text from outside (arguments, files, input) into GBK.
std::string Decode(const std::string& text, const TOptions& options) {
  if (options.Gbk) return text;
  try {
    return Utf8ToGbk(text);
  } catch (const EConvertError&) {
    throw TUsageError{"text is not valid UTF-8 or has no GBK form"};
  }
}

// GBK text for the outside.
std::string Encode(const std::string& gbk, const TOptions& options) {
  return options.Gbk ? gbk : GbkToUtf8Lenient(gbk);
}

std::string ReadFile(const std::string& name, const TOptions& options) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw TUsageError{"cannot read file '" + name + "'"};
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string content = buffer.str();
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    TOptions utf8 = options;
    utf8.Gbk = false;
    return Decode(content.substr(3), utf8);
  }
  return Decode(content, options);
}

// Where a spot of a text lies: 1-based line, and column counted in characters.
struct TTextPlace {
  int Line = 1;
  int Column = 1;
};

TTextPlace PlaceOf(std::string_view text, int32_t position) {
  TTextPlace place;
  size_t end = std::min<size_t>(position > 1 ? static_cast<size_t>(position) - 1 : 0, text.size());
  for (size_t i = 0; i < end; i += CharSize(text, i)) {
    if (text[i] == '\n') {
      ++place.Line;
      place.Column = 1;
    } else if (text[i] != '\r') {
      ++place.Column;
    }
  }
  return place;
}

// One thing to run: a GBK text, or a tree read from an object-stream file.
struct TInput {
  std::string Text;
  bool IsTree = false;
  std::unique_ptr<TExpression> Tree;
};

// A message on one line, for the outside.
std::string OneLine(const std::string& gbk, const TOptions& options) {
  std::string line = Encode(gbk, options);
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

// An expression tree from an object-stream file: the binary form (it starts with the stream's
// signature) as it is, the text form in the outside encoding like any other file.
TInput LoadTree(const std::string& name, const TOptions& options) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw TUsageError{"cannot read file '" + name + "'"};
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string content = buffer.str();
  TInput input;
  input.IsTree = true;
  try {
    std::unique_ptr<TObject> obj;
    if (content.compare(0, ObjectSignature.size(), ObjectSignature) == 0) {
      TMemoryStream stream(std::move(content));
      obj.reset(StreamReadObject(stream));
    } else {
      TMemoryStream stream(ReadFile(name, options));
      obj.reset(LoadObjectFromTextStream(stream));
    }
    if (obj && !ObjectAs<TExpression>(obj.get()))
      throw TUsageError{"'" + name + "' holds a " + obj->ClassName() + ", not an expression"};
    input.Tree.reset(static_cast<TExpression*>(obj.release()));
  } catch (const Exception& error) {
    throw TUsageError{"cannot load '" + name + "': " + OneLine(error.Message, options)};
  }
  return input;
}

class THost {
public:
  THost(const TOptions& options, THostIo& io) : Options(options), Io(io) {}

  // Translates and evaluates one GBK text; returns its exit status.
  int Run(const std::string& text) {
    std::unique_ptr<TExpression> root;
    try {
      root = TranslateExp(text);
    } catch (const Exception& error) {
      return TranslationRaised(error.Message);
    }
    if (!root && ExpTranslator->Status != tsOk) return TranslationFailed();
    return RunTree(root.get());
  }

  // Evaluates a tree (null: an empty text), or prints its text form when dumping.
  int RunTree(TExpression* root) {
    if (Options.Dump) return PrintDump(root);
    if (!root) return PrintValue("etAny", "", false);
    bool raised = false;
    std::string value;
    try {
      raised = ExpEvaluate(*root, kForceStamp);
      // Reading the value evaluates its format expression, which may raise too.
      value = root->GetString();
    } catch (const std::exception& error) {
      value = error.what();
      root->DataType = etString;
      raised = true;
    }
    return PrintValue(ExpDataTypeName(root->DataType), value, raised);
  }

  // Shows the functions a pattern picks (all of them for an empty one). When it picks none,
  // says so on standard error with the closest names, and returns false.
  bool ShowFunctions(const std::string& pattern) {
    if (!CatalogueRead) {
      Catalogue = ReadCatalogue();
      CatalogueRead = true;
      if (Catalogue.empty())
        Io.Err << "qnexp: no function catalogue at " << Encode(CataloguePath(), Options)
               << "; functions are listed without descriptions\n";
    }
    std::vector<TFunctionEntry> functions = RegisteredFunctions(Catalogue);
    std::vector<const TFunctionEntry*> found;
    if (pattern.empty()) {
      for (const TFunctionEntry& entry : functions) found.push_back(&entry);
    } else {
      found = FindFunctions(functions, pattern);
    }
    if (found.empty()) {
      bool wildcards = pattern.find_first_of("*?") != std::string::npos;
      Io.Err << "qnexp: no function " << (wildcards ? "matches" : "is named") << " '"
             << OneLine(pattern, Options) << "'";
      std::vector<std::string> close = ClosestNames(functions, pattern);
      for (size_t i = 0; i < close.size(); ++i)
        Io.Err << (i == 0 ? "; did you mean " : ", ") << Encode(close[i], Options);
      Io.Err << (close.empty() ? "; qnexp --functions lists them all\n" : "?\n");
      return false;
    }
    size_t width = 0;
    for (const TFunctionEntry* entry : found) width = std::max(width, entry->Prototype.size());
    width = std::min<size_t>(width, 40);
    for (const TFunctionEntry* entry : found) {
      if (Options.Json) {
        Io.Out << "{\"name\":" << JsonString(GbkToUtf8Lenient(entry->Name))
               << ",\"prototype\":" << JsonString(GbkToUtf8Lenient(entry->Prototype))
               << ",\"description\":" << JsonString(GbkToUtf8Lenient(entry->Description))
               << "}\n";
        continue;
      }
      // Bytes of GBK text are also the columns it takes on a terminal.
      std::string line = entry->Prototype;
      if (!entry->Description.empty())
        line += std::string(width + 2 - std::min(width, line.size()), ' ') + entry->Description;
      Io.Out << Encode(line, Options) << "\n";
    }
    Io.Out.flush();
    return true;
  }

private:
  int PrintDump(TExpression* root) {
    std::string text;
    try {
      TMemoryStream stream;
      SaveObjectToTextStream(root, stream);
      text = stream.TakeData();
    } catch (const Exception& error) {
      return TranslationRaised(error.Message);
    }
    if (Options.Json)
      Io.Out << "{\"status\":0,\"dump\":" << JsonString(GbkToUtf8Lenient(text)) << "}\n";
    else
      Io.Out << Encode(text, Options);
    Io.Out.flush();
    return esOk;
  }

  int PrintValue(const std::string& type, const std::string& value, bool raised) {
    if (Options.Json) {
      Io.Out << "{\"status\":0,\"type\":\"" << type << "\",\"text\":"
             << JsonString(GbkToUtf8Lenient(value)) << (raised ? ",\"raised\":true" : "")
             << "}\n";
    } else {
      Io.Out << Encode(value, Options) << "\n";
    }
    Io.Out.flush();
    return raised ? esEvaluationRaised : esOk;
  }

  int TranslationFailed() {
    std::string message = ExpTranslator->ErrorMsg();
    TTextPlace place = PlaceOf(ExpTranslator->GetText(), ExpTranslator->GetPosition());
    if (Options.Json) {
      Io.Out << "{\"status\":" << int(ExpTranslator->Status)
             << ",\"error\":" << JsonString(GbkToUtf8Lenient(message))
             << ",\"position\":{\"line\":" << place.Line << ",\"column\":" << place.Column
             << "}}\n";
      Io.Out.flush();
    } else {
      Io.Err << Encode(message, Options) << "\n";
      if (Io.ErrIsTerminal)
        Io.Err << "  at line " << place.Line << ", column " << place.Column << "\n";
    }
    return esTranslationFailed;
  }

  int TranslationRaised(const std::string& message) {
    if (Options.Json) {
      Io.Out << "{\"status\":" << int(ExpTranslator->Status)
             << ",\"error\":" << JsonString(GbkToUtf8Lenient(message)) << ",\"raised\":true}\n";
      Io.Out.flush();
    } else {
      Io.Err << Encode(message, Options) << "\n";
    }
    return esTranslationFailed;
  }

  const TOptions& Options;
  THostIo& Io;
  bool CatalogueRead = false;
  std::vector<TFunctionEntry> Catalogue;
};

// The datasets of --table and --sql, open and published with their fields in the current
// variable list for as long as the host runs; closed and freed at the end unless an expression
// closed them first.
class TPublishedDataSets {
public:
  ~TPublishedDataSets() {
    for (auto& [handle, alias] : Published) {
      auto* dataSet = ObjectOfHandleAs<TDataSet>(handle, hkDataSet);
      if (!dataSet) continue;
      if (TVarList* list = GetVarList()) UndefineDataSetFields(*list, dataSet, alias);
      delete dataSet;
    }
  }
  // Opens each dataset on the default database; raises what the database layer raises.
  void Open(const TOptions& options) {
    for (const TOptions::TDataSetOption& item : options.DataSets) {
      std::string alias = Decode(item.Alias, options);
      std::string text = Decode(item.Text, options);
      int32_t database = DBEF_OpenDatabase("", "", "");
      TDataSet* dataSet = item.Table ? DBEF_OpenTable(database, nullptr, text)
                                     : DBEF_OpenQuery(database, nullptr, text);
      Published.emplace_back(HandleOf(dataSet, hkDataSet), alias);
      TVarList* list = GetVarList() ? GetVarList() : PubVarList;
      DefineDataSetFields(*list, dataSet, alias);
    }
  }

private:
  std::vector<std::pair<int32_t, std::string>> Published;
};

}  // namespace

THostMode HostModeOf(const std::vector<std::string>& args) {
  THostMode mode;
  try {
    TOptions options = ParseArgs(args);
    mode.ReadsInput = options.Sources.empty() && !options.Help && !options.Version &&
                      !options.Functions;
    mode.Json = options.Json;
    mode.Gbk = options.Gbk;
  } catch (const TUsageError&) {
  }
  return mode;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          static const char hex[] = "0123456789abcdef";
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

int RunHost(const std::vector<std::string>& args, THostIo& io) {
  TOptions options;
  std::vector<TInput> inputs;
  InstallSqlHooks();
  TPublishedDataSets published;
  try {
    options = ParseArgs(args);
    if (options.Help) {
      io.Out << kHelp;
      return esOk;
    }
    if (options.Version) {
      io.Out << "qnexp " << QNEXP_VERSION << "\n";
      return esOk;
    }
    if (options.Functions) {
      THost host(options, io);
      return host.ShowFunctions(Decode(options.FunctionPattern, options)) ? esOk : esUsage;
    }
    SetDefaultDatabase(options.DatabaseGiven ? Decode(options.Database, options) : "");
    try {
      published.Open(options);
    } catch (const Exception& error) {
      throw TUsageError{OneLine(error.Message, options)};
    }
    for (const TSource& source : options.Sources) {
      if (source.Kind == skLoad) {
        inputs.push_back(LoadTree(source.Value, options));
        continue;
      }
      TInput input;
      input.Text = source.Kind == skFile ? ReadFile(source.Value, options)
                                         : Decode(source.Value, options);
      inputs.push_back(std::move(input));
    }
  } catch (const TUsageError& error) {
    io.Err << "qnexp: " << error.Message << "\n";
    return esUsage;
  }

  SetSandbox(options.Sandbox);
  THost host(options, io);
  int worst = esOk;
  bool interactive = static_cast<bool>(io.ReadLine);
  // Without a person at the prompt, an interrupted evaluation ends the run: the texts after it
  // may depend on what it was doing.
  auto aborted = [&] { return !interactive && AbortRequested(); };
  ClearAbort();
  if (!options.Sources.empty()) {
    for (TInput& input : inputs) {
      worst = std::max(worst, input.IsTree ? host.RunTree(input.Tree.get()) : host.Run(input.Text));
      if (aborted()) return std::max<int>(worst, esEvaluationRaised);
    }
    return worst;
  }

  if (interactive && !options.Json) {
    io.Out << "qnexp " << QNEXP_VERSION << "\n" << kPromptHelp;
    io.Out.flush();
  }
  std::string line;
  int lineNumber = 0;
  while (interactive ? io.ReadLine(line) : static_cast<bool>(std::getline(io.In, line))) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    std::string text;
    try {
      text = Decode(line, options);
    } catch (const TUsageError& error) {
      // One bad line spoils no other.
      if (interactive) {
        io.Err << "qnexp: " << error.Message << "\n";
      } else {
        io.Err << "qnexp: line " << lineNumber << ": " << error.Message << "\n";
        worst = std::max<int>(worst, esUsage);
      }
      continue;
    }
    if (interactive) {
      std::string command = TrimBoth(text);
      if (command == "?") {
        io.Out << kPromptHelp;
        io.Out.flush();
        continue;
      }
      if (command[0] == '?') {
        host.ShowFunctions(TrimBoth(command.substr(1)));
        continue;
      }
    }
    // An interrupt at the prompt, or one that came after the last evaluation ended, must not
    // stop the next one.
    if (interactive) ClearAbort();
    int status = host.Run(text);
    if (!interactive) worst = std::max(worst, status);
    if (aborted()) return std::max<int>(worst, esEvaluationRaised);
  }
  // Reading input also ends when an interrupt breaks it off.
  if (aborted()) return std::max<int>(worst, esEvaluationRaised);
  return worst;
}

}  // namespace qnexp::cli
