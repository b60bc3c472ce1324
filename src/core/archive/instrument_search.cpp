#include "core/archive/instrument_search.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "core/base/cp1251.h"
#include "core/description/read_param_class.h"

namespace tkq {
namespace {

// The first characters of an identification that name the version.
constexpr size_t kVersionChars = 18;

// The workers' shared state: the counts and the observer, one call at a time.
class CSearchShared {
 public:
  CSearchShared(CSearchObserver& observer, uint64_t total) : m_observer(observer), m_total(total) {}

  void Probe(const CLinkSettings& at) {
    const std::lock_guard lock(m_mutex);
    m_observer.OnProbe(at, m_tried, m_total);
    ++m_tried;
  }
  // A port left with `untried` combinations not probed.
  void Leave(uint64_t untried) {
    const std::lock_guard lock(m_mutex);
    m_total -= untried;
  }
  void Found(const CFoundInstrument& found) {
    const std::lock_guard lock(m_mutex);
    m_observer.OnFound(found);
  }
  void PortFailed(const std::string& port, int error) {
    const std::lock_guard lock(m_mutex);
    m_observer.OnPortFailed(port, error);
  }
  void PortDone(const std::string& port) {
    const std::lock_guard lock(m_mutex);
    m_observer.OnPortDone(port);
  }

 private:
  std::mutex m_mutex;
  CSearchObserver& m_observer;
  uint64_t m_tried = 0;
  uint64_t m_total;
};

// One port's search; true with `found` filled when an instrument answered.
bool SearchPort(const CSearchPlan& plan, const std::vector<CLinkSettings>& order, CModbus& link, CSearchShared& shared,
                CFoundInstrument& found) {
  uint32_t openRate = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    if (link.IsCancelled()) {
      shared.Leave(order.size() - i);
      return false;
    }
    const CLinkSettings& at = order[i];
    if (!link.IsPortOpen() || at.baudRate != openRate) {
      link.SetConnection(at);
      if (!link.OpenPort()) {
        shared.PortFailed(at.port, link.LastOpenError());
        shared.Leave(order.size() - i);
        return false;
      }
      openRate = at.baudRate;
    }
    link.SetAddress(at.address);
    shared.Probe(at);
    std::string text;
    if (link.ProbeIdentification(plan.probeWaitMs, text)) {
      found = {at, text, false};
      shared.Leave(order.size() - i - 1);
      return true;
    }
  }
  return false;
}

}  // namespace

CSearchPlan MakeSearchPlan(const std::vector<std::string>& ports, const CLinkSettings& configured, bool full) {
  CSearchPlan plan;
  plan.ports = ports;
  plan.first = configured;
  plan.tryFirst = true;
  plan.rates.push_back(configured.baudRate);
  plan.rates.insert(plan.rates.end(), kSearchRates.begin(), kSearchRates.end());
  plan.addresses = {configured.address, 1};
  plan.full = full;
  return plan;
}

std::vector<CLinkSettings> SearchOrder(const CSearchPlan& plan, const std::string& port) {
  std::vector<CLinkSettings> order;
  std::set<std::pair<uint32_t, uint8_t>> seen;
  const auto add = [&](uint32_t rate, uint8_t address, bool take) {
    if (rate == 0 || address < kFirstAddress || address > kLastAddress) return;
    if (seen.emplace(rate, address).second && take) order.push_back({port, rate, address});
  };
  // The quick combinations are marked as seen even when only the full part
  // runs, so that it does not try them again.
  if (plan.tryFirst && plan.first.port == port) add(plan.first.baudRate, plan.first.address, plan.quick);
  for (uint32_t rate : plan.rates) {
    for (uint8_t address : plan.addresses) add(rate, address, plan.quick);
  }
  if (plan.full) {
    for (uint32_t rate : plan.rates) {
      for (int address = kFirstAddress; address <= kLastAddress; ++address) {
        add(rate, static_cast<uint8_t>(address), true);
      }
    }
  }
  return order;
}

std::string NumberRanges(std::vector<int> numbers) {
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  std::string text;
  for (size_t i = 0; i < numbers.size();) {
    size_t last = i;
    while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1) ++last;
    if (!text.empty()) text += ", ";
    if (last - i >= 2) {
      text += std::to_string(numbers[i]) + "–" + std::to_string(numbers[last]);
      i = last + 1;
    } else {
      text += std::to_string(numbers[i]);
      ++i;
    }
  }
  return text;
}

std::string SearchTriedText(const CSearchPlan& plan, const std::vector<std::string>& ports) {
  std::vector<int> rates, addresses;
  const auto addAddress = [&](int address) {
    if (address >= kFirstAddress && address <= kLastAddress) addresses.push_back(address);
  };
  const bool first = plan.tryFirst && std::find(ports.begin(), ports.end(), plan.first.port) != ports.end();
  for (uint32_t rate : plan.rates) {
    if (rate != 0) rates.push_back(static_cast<int>(rate));
  }
  if (first && plan.first.baudRate != 0) rates.push_back(static_cast<int>(plan.first.baudRate));
  if (plan.full) {
    for (int address = kFirstAddress; address <= kLastAddress; ++address) addresses.push_back(address);
  } else {
    for (uint8_t address : plan.addresses) addAddress(address);
    if (first) addAddress(plan.first.address);
  }
  std::string portList;
  for (const std::string& port : ports) portList += (portList.empty() ? "" : ", ") + port;
  // Rates are listed one by one: a range of them would hide which.
  std::sort(rates.begin(), rates.end());
  rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
  std::string rateList;
  for (int rate : rates) rateList += (rateList.empty() ? "" : ", ") + std::to_string(rate);
  return "Порты: " + portList + "; скорости: " + rateList + " бод; адреса: " + NumberRanges(addresses);
}

std::string ProbesText(const std::vector<CLinkSettings>& probes) {
  std::vector<std::pair<std::string, const CLinkSettings*>> groups;  // ports, their rate and address
  for (const CLinkSettings& probe : probes) {
    const auto same = std::find_if(groups.begin(), groups.end(), [&](const auto& group) {
      return group.second->baudRate == probe.baudRate && group.second->address == probe.address;
    });
    if (same == groups.end()) {
      groups.emplace_back(probe.port, &probe);
    } else {
      same->first += ", " + probe.port;
    }
  }
  std::string text;
  for (const auto& [ports, at] : groups) {
    if (!text.empty()) text += "; ";
    text += ports + ": " + std::to_string(at->baudRate) + " бод, адрес " + std::to_string(at->address);
  }
  return text;
}

std::vector<CFoundInstrument> SearchInstruments(const CSearchPlan& plan, const CReadParamClass* description,
                                                CSearchObserver& observer, const std::atomic<bool>* cancel,
                                                const ChannelFactory& makeChannel) {
  // Each port once, in the plan's order.
  std::vector<std::string> ports;
  for (const std::string& port : plan.ports) {
    if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
  }
  std::vector<std::vector<CLinkSettings>> orders;
  uint64_t total = 0;
  for (const std::string& port : ports) {
    orders.push_back(SearchOrder(plan, port));
    total += orders.back().size();
  }
  CSearchShared shared(observer, total);
  std::vector<CFoundInstrument> found(ports.size());
  std::vector<char> answered(ports.size(), 0);
  {
    std::vector<std::jthread> workers;
    for (size_t i = 0; i < ports.size(); ++i) {
      workers.emplace_back([&, i] {
        CModbus link(makeChannel());
        link.SetCancelFlag(cancel);
        if (SearchPort(plan, orders[i], link, shared, found[i])) {
          if (description != nullptr) {
            found[i].versionKnown = description->FindVersion(Utf8Prefix(found[i].identification, kVersionChars)) >= 0;
          }
          answered[i] = 1;
          shared.Found(found[i]);
        }
        shared.PortDone(ports[i]);
      });
    }
  }
  std::vector<CFoundInstrument> result;
  for (size_t i = 0; i < ports.size(); ++i) {
    if (answered[i]) result.push_back(std::move(found[i]));
  }
  return result;
}

}  // namespace tkq
