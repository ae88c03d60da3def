// The graph base of the learning library: nodes, options, progress and background knowledge.
#include "learning/learning_structure.h"

#include <ctime>

#include "base/id_array.h"
#include "base/identifier.h"
#include "base/status_codes.h"
#include "base/string_array.h"

namespace {

int DrawSeed() {
    return static_cast<int>(-(std::time(nullptr) % 2000));
}

}  // namespace

structure::structure() : options_(default_learning_options()), own_seed_(DrawSeed()) {}

structure::~structure() = default;

int structure::add_node(std::unique_ptr<hybrid_node> node) {
    node->index = node_count();
    node->active = true;
    node->discrete_method = options_.integer(learning_option::kDiscreteMethod);
    node->discrete_levels = options_.integer(learning_option::kNumDiscLevels);
    node->equivalent_sample_size = options_.real(learning_option::kEquivSampleSize);
    nodes_.push_back(std::move(node));
    ++active_count_;
    invalidate_scores();
    // The index in the list, which stays right when inactive nodes precede it.
    return node_count() - 1;
}

int structure::remove_node(int i) {
    if (i < 0 || i >= node_count()) return kOutOfRange;
    if (nodes_[i]->active) {
        (void)detach_node(i);
        --active_count_;
    }
    nodes_.erase(nodes_.begin() + i);
    // Later nodes move down one place; their arcs follow.
    for (auto& n : nodes_) {
        for (int& p : n->parents) p -= p > i ? 1 : 0;
        for (int& c : n->children) c -= c > i ? 1 : 0;
        for (node_bits* bits : {&n->forced_parents, &n->forbidden_parents, &n->tier_successors,
                                &n->tier_predecessors, &n->all_successors})
            bits->erase(i);
    }
    for (int k = i; k < node_count(); ++k) nodes_[k]->index = k;
    nodes_renumbered();
    invalidate_scores();
    return kSuccess;
}

void structure::remove_all_nodes() {
    nodes_.clear();
    nodes_renumbered();
    active_count_ = 0;
    invalidate_scores();
}

int structure::deactivate_node(int i) {
    if (i < 0 || i >= node_count()) return kOutOfRange;
    if (!nodes_[i]->active) return kSuccess;
    const int result = detach_node(i);
    nodes_[i]->active = false;
    --active_count_;
    invalidate_scores();
    return result;
}

int structure::activate_node(int i) {
    if (i < 0 || i >= node_count()) return kOutOfRange;
    if (nodes_[i]->active) return kSuccess;
    nodes_[i]->active = true;
    ++active_count_;
    invalidate_scores();
    return kSuccess;
}

void structure::reset() {
    remove_all_nodes();
    options_ = default_learning_options();
    criterion_score_ = kScoreNotComputed;
    own_seed_ = DrawSeed();
    seed_ = &own_seed_;
    progress_ = &own_progress_;
    options_changed();
}

hybrid_node* structure::node_at(int i) const {
    return i >= 0 && i < node_count() ? nodes_[i].get() : nullptr;
}

int structure::next_active(int& index) const {
    for (++index; index < node_count(); ++index) {
        if (nodes_[index]->active) return kSuccess;
    }
    return kOutOfRange;
}

int structure::find_node(const std::string& name) const {
    for (int i = 0; i < node_count(); ++i) {
        if (nodes_[i]->active && nodes_[i]->name == name) return i;
    }
    return -1;
}

bool structure::is_partition(const std::vector<std::vector<int>>& lists) const {
    if (static_cast<int>(lists.size()) > active_count_) return false;
    std::vector<char> seen(nodes_.size(), 0);
    int covered = 0;
    for (const auto& list : lists) {
        for (int i : list) {
            if (i < 0 || i >= node_count() || !nodes_[i]->active) return false;
            covered += seen[i] ? 0 : 1;
            seen[i] = 1;
        }
    }
    return covered == active_count_;
}

int structure::collect_names(VRX_stringArray& names) const {
    if (const int rc = names.SetSize(active_count_)) return rc;
    for (int i = -1; next_active(i) == kSuccess;) {
        if (const int rc = names.Add(nodes_[i]->name.c_str())) return rc;
    }
    return kSuccess;
}

void structure::node_names_to_ids(std::string& name) {
    if (name.empty() || !vovido::IsAsciiLetter(name[0])) name.insert(0, "State_");
    std::string id;
    // With no identifiers to avoid and no number the repair cannot fail on a non-empty text.
    if (VRX_idArray().MakeValidId(name.c_str(), -1, id) == kSuccess) name = id;
}

int structure::set_bool_option(const std::string& name, bool value) {
    int index = 0;
    option_kind kind;
    if (!find_learning_option(name, index, kind) || kind != option_kind::boolean) return kOutOfRange;
    const int result = options_.set_bool(index, value);
    options_changed();
    return result;
}

int structure::set_int_option(const std::string& name, int value) {
    int index = 0;
    option_kind kind;
    if (!find_learning_option(name, index, kind) || kind != option_kind::integer) return kOutOfRange;
    const int result = options_.set_int(index, value);
    options_changed();
    return result;
}

int structure::set_double_option(const std::string& name, double value) {
    int index = 0;
    option_kind kind;
    if (!find_learning_option(name, index, kind) || kind != option_kind::real) return kOutOfRange;
    const int result = options_.set_double(index, value);
    options_changed();
    return result;
}

int structure::force_arc(int parent, int child) {
    hybrid_node* p = node_at(parent);
    hybrid_node* c = node_at(child);
    if (p == nullptr || c == nullptr || parent == child) return kFailure;
    if (c->forbidden_parents.test(parent) || c->all_successors.test(parent)) return kFailure;
    c->forced_parents.set(parent, true);
    return kSuccess;
}

int structure::forbid_arc(int parent, int child) {
    hybrid_node* c = node_at(child);
    if (node_at(parent) == nullptr || c == nullptr) return kFailure;
    if (c->forced_parents.test(parent)) return kFailure;
    c->forbidden_parents.set(parent, true);
    return kSuccess;
}

int structure::allow_arc(int parent, int child) {
    hybrid_node* c = node_at(child);
    if (node_at(parent) == nullptr || c == nullptr) return kFailure;
    c->forbidden_parents.set(parent, false);
    return kSuccess;
}

int structure::order_pair(int a, int b) {
    hybrid_node* x = node_at(a);
    hybrid_node* y = node_at(b);
    if (x == nullptr || y == nullptr) return kFailure;
    if (a == b) return kSuccess;
    // b before a already, or a forced arc b -> a, contradicts a before b.
    if (y->all_successors.test(a) || x->forced_parents.test(b)) return kFailure;
    y->tier_predecessors.set(a, true);
    x->tier_successors.set(b, true);
    return kSuccess;
}

int structure::close_order() {
    // Every node gathers, depth first with an explicit stack, what its tier successors reach.
    const int n = node_count();
    std::vector<int> stack, mark(n, -1);
    for (int i = 0; i < n; ++i) {
        hybrid_node& start = *nodes_[i];
        stack.assign(1, i);
        mark[i] = i;
        while (!stack.empty()) {
            const int u = stack.back();
            stack.pop_back();
            const hybrid_node& node = *nodes_[u];
            for (int v = 0; v < n; ++v) {
                if ((node.tier_successors.test(v) || (u != i && node.all_successors.test(v))) &&
                    mark[v] != i) {
                    mark[v] = i;
                    start.all_successors.set(v, true);
                    stack.push_back(v);
                }
            }
        }
    }
    for (auto& node : nodes_) node->tier_successors = node_bits();
    return kSuccess;
}

void structure::copy_settings_from(const structure& source) {
    remove_all_nodes();
    options_ = source.options_;
    criterion_score_ = source.criterion_score_;
    score_valid_ = source.score_valid_;
    missing_data_ = source.missing_data_;
    progress_ = source.progress_ == &source.own_progress_ ? &own_progress_ : source.progress_;
    if (source.seed_ == &source.own_seed_) {
        seed_ = &own_seed_;
        own_seed_ = source.own_seed_;
    } else {
        seed_ = source.seed_;
    }
}
