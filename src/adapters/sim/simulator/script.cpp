#include "adapters/sim/simulator/script.h"

#include "adapters/sim/services/regular_file.h"
#include "adapters/sim/simulator/transcript.h"
#include "adapters/sim/system/sim_hot_keys.h"
#include "text/utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#ifndef STRANDEL_RESOURCES_DIR
#define STRANDEL_RESOURCES_DIR "resources"
#endif

namespace strandel::sim {

namespace {

constexpr double kMaxScriptTime = 24 * 60 * 60;

struct Token {
  std::string text;
  bool quoted = false;
};

struct LineError {
  std::string what;
};

std::vector<Token> tokenize(std::string_view line) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    Token token;
    if (c == '"') {
      token.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d == '\\') {
          if (i >= line.size()) break;
          char e = line[i++];
          if (e != '"' && e != '\\') {
            throw LineError{std::string("unknown escape \\") + e + " in a quoted text"};
          }
          d = e;
        }
        token.text += d;
      }
      if (!closed) throw LineError{"a quoted text is not closed"};
      if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
          line[i] != '#') {
        throw LineError{"expected a space after the closing quote"};
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
        if (line[i] == '"') throw LineError{"a quote inside a word"};
        token.text += line[i++];
      }
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

// Seconds as written in a script: digits with an optional fraction and an optional "s".
double parseSeconds(const Token& token, const char* what) {
  std::string_view text = token.text;
  if (!token.quoted && !text.empty() && text.back() == 's') text.remove_suffix(1);
  bool ok = !token.quoted && !text.empty() && text.front() != '.' && text.back() != '.' &&
            std::count(text.begin(), text.end(), '.') <= 1 &&
            std::all_of(text.begin(), text.end(),
                        [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
  double seconds = 0;
  if (ok) {
    auto result = std::from_chars(text.data(), text.data() + text.size(), seconds);
    ok = result.ec == std::errc{} && result.ptr == text.data() + text.size();
  }
  if (!ok) {
    throw LineError{std::string("expected ") + what + " in seconds (like 2 or 0.5), found \"" +
                    token.text + "\""};
  }
  if (seconds > kMaxScriptTime) throw LineError{std::string(what) + " beyond 24 hours"};
  return seconds;
}

enum class Argument { none, target, key, app, modifier, combo, text };

const struct {
  std::string_view word;
  ScriptCommand::Kind kind;
  Argument argument;
} kCommands[] = {
    {"hover", ScriptCommand::Kind::hover, Argument::none},
    {"open", ScriptCommand::Kind::open, Argument::none},
    {"close", ScriptCommand::Kind::close, Argument::none},
    {"choose", ScriptCommand::Kind::choose, Argument::target},
    {"key", ScriptCommand::Kind::key, Argument::key},
    {"answer", ScriptCommand::Kind::answer, Argument::target},
    {"grant", ScriptCommand::Kind::grant, Argument::none},
    {"withdraw", ScriptCommand::Kind::withdraw, Argument::none},
    {"launch", ScriptCommand::Kind::launch, Argument::app},
    {"quit", ScriptCommand::Kind::quit, Argument::app},
    {"hold", ScriptCommand::Kind::hold, Argument::modifier},
    {"release", ScriptCommand::Kind::release, Argument::modifier},
    {"shortcut", ScriptCommand::Kind::shortcut, Argument::combo},
    {"type", ScriptCommand::Kind::type, Argument::text},
    {"return", ScriptCommand::Kind::enter, Argument::none},
    {"up", ScriptCommand::Kind::up, Argument::none},
    {"down", ScriptCommand::Kind::down, Argument::none},
    {"escape", ScriptCommand::Kind::escape, Argument::none},
    {"delete", ScriptCommand::Kind::erase, Argument::none},
};

std::string knownCommands() {
  std::string list = "at, wait";
  for (const auto& c : kCommands) list += ", " + std::string(c.word);
  return list;
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

ScriptCommand readCommand(const std::vector<Token>& tokens, size_t first) {
  const Token& word = tokens[first];
  auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                            [&](const auto& c) { return c.word == word.text; });
  if (word.quoted || found == std::end(kCommands)) {
    throw LineError{"unknown command \"" + word.text + "\" (known: " + knownCommands() + ")"};
  }
  ScriptCommand command;
  command.kind = found->kind;
  size_t arguments = tokens.size() - first - 1;
  if (found->argument == Argument::none) {
    if (arguments != 0) throw LineError{"\"" + word.text + "\" takes nothing after it"};
    return command;
  }
  if (arguments != 1) {
    const char* shape = found->argument == Argument::target     ? "a number or a \"quoted title\""
                        : found->argument == Argument::key      ? "a key, like q"
                        : found->argument == Argument::modifier ? "a modifier key: option"
                        : found->argument == Argument::combo    ? "keys, like ctrl+opt+cmd+space"
                        : found->argument == Argument::text     ? "a \"quoted text\""
                                                                : "an app's \"name\" or pid";
    throw LineError{"\"" + word.text + "\" takes one argument: " + shape};
  }
  const Token& argument = tokens[first + 1];
  switch (found->argument) {
    case Argument::target:
      if (argument.quoted) {
        command.text = argument.text;
      } else if (allDigits(argument.text) && argument.text.size() < 9 &&
                 std::stol(argument.text) > 0) {
        command.index = std::stol(argument.text);
      } else {
        throw LineError{"expected a number from 1 or a \"quoted title\" after \"" + word.text +
                        "\", found " + argument.text};
      }
      break;
    case Argument::key:
      if (argument.text.empty()) throw LineError{"the key cannot be empty"};
      command.text = argument.text;
      break;
    case Argument::app:
      if (argument.text.empty()) throw LineError{"the app's name cannot be empty"};
      command.text = argument.text;
      break;
    case Argument::modifier:
      if (argument.quoted || argument.text != "option") {
        throw LineError{"unknown modifier key \"" + argument.text + "\" (known: option)"};
      }
      command.text = argument.text;
      break;
    case Argument::combo:
      if (argument.quoted || !parseHotKey(argument.text)) {
        throw LineError{
            "expected keys like ctrl+opt+cmd+space (modifiers ctrl, opt, shift, "
            "cmd and one key: space or a letter), found \"" +
            argument.text + "\""};
      }
      command.text = argument.text;
      break;
    case Argument::text:
      if (argument.text.empty()) throw LineError{"the text to type cannot be empty"};
      command.text = argument.text;
      break;
    case Argument::none:
      break;
  }
  return command;
}

std::string quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

ScriptLoad parseScript(std::string_view text, const std::string& fileName) {
  ScriptLoad load;
  Script script;
  script.name = fileName;
  // A byte-order mark is tolerated, as editors write one (scenes accept it too).
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  double now = 0;
  int lineNumber = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    ++lineNumber;
    try {
      if (line.find('\0') != std::string_view::npos) throw LineError{"a NUL byte in the line"};
      if (!isValidUTF8(line)) throw LineError{"the line is not valid UTF-8"};
      auto tokens = tokenize(line);
      size_t first = 0;
      if (!tokens.empty() && !tokens[0].quoted && tokens[0].text == "wait") {
        if (tokens.size() != 2) throw LineError{"\"wait\" takes one argument: seconds"};
        now += parseSeconds(tokens[1], "a wait");
        if (now > kMaxScriptTime) throw LineError{"the script runs beyond 24 hours"};
        first = tokens.size();
      } else if (!tokens.empty() && !tokens[0].quoted && tokens[0].text == "at") {
        if (tokens.size() < 2) throw LineError{"\"at\" needs a time: at 1.5 open"};
        double at = parseSeconds(tokens[1], "a time");
        if (at < now) {
          throw LineError{"time goes back: at " + formatNumber(at) + " comes after " +
                          formatNumber(now)};
        }
        now = at;
        first = 2;
      }
      if (first < tokens.size()) {
        ScriptCommand command = readCommand(tokens, first);
        command.line = lineNumber;
        command.at = now;
        script.commands.push_back(std::move(command));
      }
    } catch (const LineError& e) {
      load.error = fileName + ":" + std::to_string(lineNumber) + ": " + e.what;
      return load;
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  script.endsAt = now;
  load.script = std::move(script);
  return load;
}

ScriptLoad loadScriptFile(const std::string& path) {
  ReadFailure failure;
  auto text = readWholeFile(path, &failure, kLargeFileLimit);
  if (!text) {
    ScriptLoad load;
    load.error = path + ": cannot read the script: " + failure.describe();
    return load;
  }
  return parseScript(*text, path);
}

std::string defaultScriptPath() {
  return std::string(STRANDEL_RESOURCES_DIR) + "/scenes/demo.script";
}

std::string describe(const ScriptCommand& command) {
  for (const auto& c : kCommands) {
    if (c.kind != command.kind) continue;
    std::string out(c.word);
    if (command.kind == ScriptCommand::Kind::choose ||
        command.kind == ScriptCommand::Kind::answer) {
      out += " " + (command.index > 0 ? std::to_string(command.index) : quote(command.text));
    } else if (!command.text.empty()) {
      bool bare = allDigits(command.text) || command.kind == ScriptCommand::Kind::key ||
                  command.kind == ScriptCommand::Kind::shortcut ||
                  command.kind == ScriptCommand::Kind::hold ||
                  command.kind == ScriptCommand::Kind::release;
      out += " " + (bare ? command.text : quote(command.text));
    }
    return out;
  }
  return "?";
}

}  // namespace strandel::sim
