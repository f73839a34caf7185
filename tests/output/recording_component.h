// An external component that records every call with its arguments and answers
// from a script, standing in for the print, office-link and document components.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/platform.h"

namespace vmbgrid::testing {

struct RecordedCall {
  std::string member;
  std::vector<ComponentArg> args;  // as passed in
};

class RecordingComponent : public Component {
 public:
  // Shared by every instance made from one recorder, so a test sees all of them.
  struct Log {
    std::vector<RecordedCall> calls;
    std::map<std::string, Variant> properties;
    std::map<std::string, ComponentObject> objects;
    std::map<std::string, Variant> answers;  // member -> result
    // Changes arguments passed by reference, by member.
    std::map<std::string, std::function<void(std::vector<ComponentArg>&)>> effects;
    std::string failOn;  // a member that raises

    std::vector<std::string> Members() const {
      std::vector<std::string> m;
      for (const auto& c : calls) m.push_back(c.member);
      return m;
    }
    const RecordedCall* Find(const std::string& member) const {
      for (const auto& c : calls)
        if (c.member == member) return &c;
      return nullptr;
    }
  };

  explicit RecordingComponent(std::shared_ptr<Log> log) : log_(std::move(log)) {}

  Variant Invoke(const std::string& member, std::vector<Variant>& args) override {
    std::vector<ComponentArg> wrapped;
    for (const auto& v : args) wrapped.push_back(ComponentArg::Val(v));
    return Call(member, wrapped);
  }
  Variant Call(const std::string& member, std::vector<ComponentArg>& args) override {
    log_->calls.push_back({member, args});
    if (member == log_->failOn) throw std::runtime_error("scripted failure");
    if (auto e = log_->effects.find(member); e != log_->effects.end()) e->second(args);
    auto a = log_->answers.find(member);
    return a == log_->answers.end() ? Variant() : a->second;
  }
  void SetProperty(const std::string& name, const Variant& value) override {
    log_->properties[name] = value;
  }
  void SetObjectProperty(const std::string& name, const ComponentObject& value) override {
    log_->objects[name] = value;
  }

 private:
  std::shared_ptr<Log> log_;
};

}  // namespace vmbgrid::testing
