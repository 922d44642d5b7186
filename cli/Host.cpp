// The console host's options, text sources and output forms.
#include "cli/Host.h"

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

namespace qnexp::cli {

namespace {

const char* const kUsage =
    "usage: qnexp [--json] [--encoding NAME] [--dump] [-e TEXT | -f FILE | --load FILE]... "
    "[TEXT]...";

struct TUsageError {
  std::string Message;
};

enum TSourceKind { skText, skFile };

struct TSource {
  TSourceKind Kind;
  std::string Value;  // as given on the command line
};

struct TOptions {
  bool Json = false;
  bool Gbk = false;  // the outside world's encoding: UTF-8 unless GBK was asked for
  std::vector<TSource> Sources;
};

TOptions ParseArgs(const std::vector<std::string>& args) {
  TOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw TUsageError{"option " + arg + " needs a value"};
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      throw TUsageError{kUsage};
    } else if (arg == "--json") {
      options.Json = true;
    } else if (arg == "--encoding") {
      std::string name = value();
      std::string upper;
      for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
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
    } else if (arg == "--dump" || arg == "--load") {
      throw TUsageError{"option " + arg + " is not available in this build"};
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw TUsageError{"unknown option '" + arg + "'"};
    } else {
      options.Sources.push_back({skText, arg});
    }
  }
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
    if (!root) {
      if (ExpTranslator->Status != tsOk) return TranslationFailed();
      return PrintValue("etAny", "", false);
    }
    bool raised = false;
    try {
      raised = ExpEvaluate(*root, kForceStamp);
    } catch (const std::exception& error) {
      root->DataType = etString;
      root->PutString(error.what());
      raised = true;
    }
    std::string value = root->GetString();
    return PrintValue(ExpDataTypeName(root->DataType), value, raised);
  }

private:
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
    if (Options.Json) {
      Io.Out << "{\"status\":" << int(ExpTranslator->Status)
             << ",\"error\":" << JsonString(GbkToUtf8Lenient(message)) << "}\n";
      Io.Out.flush();
    } else {
      Io.Err << Encode(message, Options) << "\n";
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
};

}  // namespace

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
  std::vector<std::string> texts;
  try {
    options = ParseArgs(args);
    for (const TSource& source : options.Sources)
      texts.push_back(source.Kind == skFile ? ReadFile(source.Value, options)
                                            : Decode(source.Value, options));
  } catch (const TUsageError& error) {
    io.Err << "qnexp: " << error.Message << "\n";
    return esUsage;
  }

  THost host(options, io);
  int worst = esOk;
  auto runOne = [&](const std::string& text) { worst = std::max(worst, host.Run(text)); };
  if (!options.Sources.empty()) {
    for (const std::string& text : texts) runOne(text);
    return worst;
  }

  std::string line;
  bool interactive = static_cast<bool>(io.ReadLine);
  while (interactive ? io.ReadLine(line) : static_cast<bool>(std::getline(io.In, line))) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    std::string text;
    try {
      text = Decode(line, options);
    } catch (const TUsageError& error) {
      io.Err << "qnexp: " << error.Message << "\n";
      if (!interactive) return esUsage;
      continue;
    }
    int status = host.Run(text);
    if (!interactive) worst = std::max(worst, status);
  }
  return worst;
}

}  // namespace qnexp::cli
