#pragma once
// The part tree as Qt sees it: one file node (or the "No File Loaded" node)
// with the part nodes under it. The rows are the payloads of
// ProgramState::tree; the model only translates between them and the view.

#include "model/program_state.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>

namespace korvex {

class PartTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, VertexCountColumn = 1 };

    explicit PartTreeModel(ProgramState& state, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The payload behind an index, or nullptr for an index that no longer
    // names a node (the view may paint while a command rebuilds the tree).
    const PartNodeData* node(const QModelIndex& index) const;
    QModelIndex rootIndex() const { return index(0, NameColumn); }
    QModelIndex partIndexRow(int32_t partIndex) const;

    // A command that replaces the tree's nodes runs between these two.
    void beginRebuild() { beginResetModel(); }
    void endRebuild() { endResetModel(); }
    // A command changed names or check states of the existing part nodes.
    void partNodesChanged();

    // The node images are drawn faded while the tree does not have the focus.
    void setImagesGhosted(bool ghosted);

private:
    void imagesChanged(const QModelIndex& parent);

    ProgramState& state_;
    std::array<QIcon, 3> images_;  // file node, part node, "No File Loaded"
    std::array<QIcon, 3> ghostedImages_;
    bool ghosted_ = false;
};

// Runs a command that may replace the tree's nodes, ending the rebuild even
// when the command fails.
class TreeRebuild {
public:
    explicit TreeRebuild(PartTreeModel& model) : model_(model) { model_.beginRebuild(); }
    ~TreeRebuild() { model_.endRebuild(); }
    TreeRebuild(const TreeRebuild&) = delete;
    TreeRebuild& operator=(const TreeRebuild&) = delete;

private:
    PartTreeModel& model_;
};

}  // namespace korvex
