#include "bench/MedianTable.hpp"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace mirona {

namespace {

double toMicros(double value, benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kNanosecond:
        return value / 1e3;
    case benchmark::kMicrosecond:
        return value;
    case benchmark::kMillisecond:
        return value * 1e3;
    case benchmark::kSecond:
        break;
    }
    return value * 1e6;
}

std::vector<std::string> split(const std::string& name) {
    std::vector<std::string> parts;
    std::stringstream in(name);
    for (std::string part; std::getline(in, part, '/');)
        parts.push_back(part);
    return parts;
}

std::string join(const std::vector<std::string>& parts, std::size_t from, std::size_t to,
                 const char* separator) {
    std::string s;
    for (std::size_t i = from; i < to; ++i)
        s += (i > from ? separator : "") + parts[i];
    return s;
}

std::string fixed(double v, int decimals) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(decimals) << v;
    return out.str();
}

template <class T> void addOnce(std::vector<T>& list, const T& item) {
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

} // namespace

void MedianTable::ReportRuns(const std::vector<Run>& reports) {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (run.error_occurred || !(median || single))
            continue;
        const std::string& name = run.run_name.function_name;
        order_[run.family_index] = name;
        results_[name] = {toMicros(run.GetAdjustedRealTime(), run.time_unit), run.counters,
                          run.iterations == 1};
    }
}

void MedianTable::Finalize() {
    ConsoleReporter::Finalize();
    std::vector<std::string> groups;
    for (const auto& [index, name] : order_)
        addOnce(groups, split(name).front());
    for (const std::string& group : groups)
        printGroup(group);
}

void MedianTable::printGroup(const std::string& group) {
    std::vector<std::string> rows;
    std::vector<std::string> engines;
    std::vector<std::string> counters;
    bool timed = false;
    for (const auto& [index, name] : order_) {
        const auto parts = split(name);
        if (parts.front() != group)
            continue;
        addOnce(rows, join(parts, 1, parts.size() - 1, "/"));
        addOnce(engines, parts.back());
        const Result& result = results_[name];
        timed = timed || !result.oneShot;
        for (const auto& counter : result.counters)
            addOnce(counters, counter.first);
    }
    std::vector<std::string> header{""};
    if (timed) {
        for (const std::string& e : engines)
            header.push_back(e + " µs");
        for (std::size_t e = 1; e < engines.size(); ++e)
            header.push_back(engines[e] + " / " + engines[0]);
    }
    header.insert(header.end(), counters.begin(), counters.end());
    std::ostream& out = GetOutputStream();
    out << "\n### " << group << " (medians)\n\n|";
    for (const std::string& h : header)
        out << ' ' << h << " |";
    out << "\n|";
    for (std::size_t i = 0; i < header.size(); ++i)
        out << "---|";
    out << '\n';
    for (const std::string& row : rows) {
        const auto result = [&](const std::string& engine) -> const Result* {
            const auto it = results_.find(group + "/" + row + "/" + engine);
            return it == results_.end() ? nullptr : &it->second;
        };
        const Result* first = result(engines.front());
        std::vector<std::string> cells{row};
        if (timed) {
            for (const std::string& e : engines)
                cells.push_back(result(e) ? fixed(result(e)->micros, 2) : "");
            for (std::size_t e = 1; e < engines.size(); ++e) {
                const Result* other = result(engines[e]);
                cells.push_back(first && other ? fixed(other->micros / first->micros, 1) : "");
            }
        }
        for (const std::string& c : counters) {
            std::string cell;
            if (first)
                if (const auto it = first->counters.find(c); it != first->counters.end())
                    cell = fixed(it->second, 1);
            cells.push_back(cell);
        }
        out << '|';
        for (const std::string& cell : cells)
            out << ' ' << cell << " |";
        out << '\n';
    }
}

} // namespace mirona
