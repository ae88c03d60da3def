package tarvo;

import java.awt.Color;
import java.awt.Rectangle;

/**
 * A graphical probabilistic model held by the native engine: a Bayesian network, an influence diagram,
 * a dynamic (time-sliced) network or a network of equation nodes.
 *
 * <h2>Life</h2>
 * {@code new Network()} makes an empty network; {@link #readFile(String)} fills it from a file, or the
 * methods below build it node by node. The engine object lives outside the Java heap and the garbage
 * collector does not free it: call {@link #dispose()} when the network is no longer needed. Dispose of
 * the {@link DiagNetwork} and {@link ValueOfInfo} objects bound to a network before the network itself.
 * The networks returned by {@link #unroll()} and by the learners of {@code tarvo.learning} are new objects
 * that the caller owns and disposes of.
 *
 * <h2>Nodes and outcomes</h2>
 * A node is addressed by its handle, an int that stays the node's for its life (the handle of a deleted
 * node may be given to a node added later), or by its identifier: a letter followed by letters, digits
 * and underscores, unique among the network's nodes and submodels. Nearly every method exists in both
 * forms; the identifier form looks the identifier up and then does exactly what the handle form does.
 * An outcome is addressed by its index (from 0, in the node's outcome order) or by its identifier.
 *
 * <h2>Definition types</h2>
 * The integer codes of {@link #addNode(int, String)}, {@link #getNodeType(int)} and
 * {@link #setNodeType(int, int)}:
 * <table class="striped">
 * <caption>Definition type codes</caption>
 * <thead><tr><th>code</th><th>node</th><th>parameters</th></tr></thead>
 * <tbody>
 * <tr><td>18 (0x12)</td><td>chance node</td><td>conditional probability table</td></tr>
 * <tr><td>20 (0x14)</td><td>deterministic node</td><td>truth table (probabilities 0 or 1)</td></tr>
 * <tr><td>146 (0x92)</td><td>noisy-MAX chance node</td>
 * <td>one distribution per parent outcome, and a leak</td></tr>
 * <tr><td>274 (0x112)</td><td>noisy-adder chance node</td>
 * <td>parameter rows and weights (kept in files); its computed table is read only</td></tr>
 * <tr><td>82 (0x52)</td><td>DeMorgan node</td>
 * <td>prior belief, parent types and weights; its computed table is read only</td></tr>
 * <tr><td>50 (0x32)</td><td>cast node</td>
 * <td>baseline and parent weights (kept in files); its computed table is read only</td></tr>
 * <tr><td>17 (0x11)</td><td>decision node</td><td>one value per choice</td></tr>
 * <tr><td>8 (0x8)</td><td>utility node</td><td>one utility per parent configuration</td></tr>
 * <tr><td>520 (0x208)</td><td>multi-attribute utility node</td>
 * <td>weights of its utility parents, or expressions</td></tr>
 * <tr><td>4 (0x4)</td><td>equation node</td><td>an equation ({@link #setNodeEquation(int, String)})</td></tr>
 * </tbody>
 * </table>
 * The code is a bit set: 0x1 decision, 0x2 chance, 0x4 deterministic, 0x8 utility, 0x10 discrete with
 * named outcomes; higher bits name the kind. The engine's other kinds are continuous: 1028 (0x404, an
 * equation solved together with others) and the hybrid kinds 2064 (0x810), 4098 (0x1002) and 4100
 * (0x1004).
 *
 * <h2>Tables</h2>
 * Parameters, values and costs travel as flat double arrays in row-major order: one dimension per parent,
 * in the order of {@link #getParents(int)} (the first parent varies slowest), and the node's own outcomes
 * last, varying fastest. For a node with outcomes x and y, a parent A of outcomes a0, a1 and a parent B of
 * outcomes b0, b1, b2, a probability table holds P(x|a0,b0), P(y|a0,b0), P(x|a0,b1), P(y|a0,b1), ...,
 * P(y|a1,b2): each run of consecutive entries, one per outcome, is one parent configuration's
 * distribution.
 *
 * <h2>Algorithms</h2>
 * {@link #setBayesianAlgorithm(int)} chooses how {@link #updateBeliefs()} updates a network of discrete
 * chance nodes: 0 exact clustering by join tree on each relevant part, falling back on relevance
 * decomposition (the default); 1 logic sampling; 2 polytree propagation; 3 and 5 likelihood weighting;
 * 4 self-importance sampling; 6 backward sampling; 7 adaptive importance sampling; 8 importance sampling
 * after loopy pre-propagation; 9 loopy belief propagation; 10 clustering with the second join-tree
 * engine; 11 and 12 relevance decomposition. Loopy belief propagation runs a fixed number of passes (5,
 * unless the network's file sets another EPIS propagation length), without testing whether its messages
 * settled, and does not warn. Each pass carries every message one arc, so a node's beliefs take in only
 * the findings and root tables fewer arcs away than there are passes, with or without loops: on a chain
 * of 12 nodes observed at one end, 5 passes leave the first seven as they were without the finding. As
 * many passes as the longest path has nodes make it exact on a network without loops; on a network with
 * loops its beliefs may still be off by a tenth or more. The
 * samplers (1 and 3 to 8) warn when their samples' weights are worth fewer than 100 equally weighted
 * samples (the effective sample size; for logic sampling, its accepted samples), or else when a belief's
 * standard error, estimated from the spread of its estimates over batches of the samples in the order
 * drawn, passes 0.03 (the warning names the nodes, the largest standard error and the sample count), for
 * their beliefs may then be far off; a few hundred samples give that spread even without evidence. These
 * are the codes Java
 * can set: the engine's hybrid
 * algorithms (13 to 16) are not among them. {@link #setInfluenceDiagramAlgorithm(int)} chooses how an
 * influence diagram is solved: 0 policy evaluation (the default), 1 the best-policy search. A network with
 * equation nodes is updated by drawing {@link #setSampleCount(int)} samples, whatever the algorithm setting:
 * forward through the equations, or, once a node with parents holds evidence, by the default hybrid
 * algorithm (importance sampling); the sample count sets the accuracy of either.
 *
 * <h2>Failures</h2>
 * Every failure throws {@link TARVOException}. A refused argument (a bad handle, an unknown identifier,
 * an index out of range, an array of the wrong length) is refused before anything changes, with a
 * message that names it, for example "Invalid node handle: 7". A failing engine operation gives
 * "TARVO error STATUS in function OPERATION" (STATUS a negative code), followed by ". Logged information: "
 * and the messages the engine logged, one per line, when it logged any. Every call on a network that has
 * been disposed of throws as well. What a call that succeeds logged goes to the logger "tarvo" as warnings
 * (see the package description).
 *
 * <h2>Threads</h2>
 * The library starts no threads. Separate networks, and the other objects of this package and of
 * {@code tarvo.learning}, may be used from separate threads at the same time; each thread has its own
 * error log. One network used from several threads needs the caller's lock around every call, and so do
 * the objects bound to it, which share its engine network.
 */
public class Network extends Wrapper {
    /** Makes an empty network: no nodes, the default algorithms and 1000 samples. */
    public Network() {
        ptrNative = createNative();
    }

    /**
     * Makes the engine network.
     *
     * @return the address of the new engine network
     */
    protected native long createNative();

    @Override
    protected native void deleteNative(long ptr);

    // Files.

    /**
     * Replaces the network by the one in a file, in the format that the file name's extension names
     * (ignoring case): "xvrx" or "qvrx" this library's XML format, "vrx" its text format, "net" Hugin,
     * "dne" Netica, "dsc" MSBN, "erg" Ergo, "xml03" XMLBIF 0.3, "dxp" KI. Numbers are read with "." as
     * the decimal separator whatever the default locale, and whole or not at all: a whole-number field
     * takes "1e5" but refuses "3e9" (beyond an int) and "0.5", and "1e400" (beyond the doubles) is refused.
     * Every format takes the same table entries: one that is NaN, infinite or beyond the doubles, and a
     * negative probability, are refused naming the node. A byte-order mark of UTF-8 before the text is
     * skipped. Hugin continuous nodes and Netica "@imposs" entries are refused naming the node. A part of
     * the file given twice is read once when the same, with a warning, and refused when not. XMLBIF tables
     * are read with the node's own outcome fastest, as the format writes them, the other order only where
     * the written one cannot be distributions and the other gives them as they stand (with a warning naming
     * the node). A file whose nodes, arcs and tables would take more than 2 GiB to build (counted as 1,408
     * bytes a discrete node, 1,152 another, 16 bytes an arc and 8 a table cell) is refused at the node that
     * passes it. Each fault is logged once, its cause first, naming the file and line.
     *
     * @param path the file name
     * @throws TARVOException when the extension names no format ("Unknown File Format" among the logged
     *     messages), the file cannot be read or its text is wrong ("TARVO error ... in function ReadFile"
     *     with the reader's messages); the network is then kept whole as it was before the call, nothing of
     *     the failed file in it
     */
    public native void readFile(String path);

    /**
     * Writes the network to a file, in the format that the file name's extension names, as for
     * {@link #readFile(String)}; KI files ("dxp") cannot be written. The formats of other tools hold these
     * kinds (any other node is refused, naming it and its kind, and no file is made):
     * <ul>
     * <li>Hugin ("net"): chance, decision and utility nodes; truth-table, noisy-MAX and noisy-adder nodes
     * as plain tables. DeMorgan, cast, equation and multi-attribute utility nodes are refused.</li>
     * <li>Netica ("dne"): chance, decision, utility, truth-table and equation nodes; noisy-MAX and
     * noisy-adder nodes as plain tables. DeMorgan, cast and multi-attribute utility nodes are refused.</li>
     * <li>MSBN ("dsc"): as Hugin.</li>
     * <li>Ergo ("erg"): chance nodes, and truth-table nodes as plain tables. Noisy-MAX, noisy-adder,
     * DeMorgan, cast, decision, utility, equation and multi-attribute utility nodes are refused.</li>
     * <li>XMLBIF ("xml03"): chance, decision and utility nodes; truth-table, noisy-MAX, noisy-adder,
     * DeMorgan and cast nodes as plain tables. Equation and multi-attribute utility nodes are refused.</li>
     * </ul>
     * What a format has no place for (a kind written as a plain table, names, comments, the network's
     * identifier in Hugin and Ergo files, ...) is left out with one warning per kind.
     *
     * @param path the file name; an existing file is replaced
     * @throws TARVOException when the format is unknown or cannot be written, the network does not fit the
     *     format, the file would be larger than the readers take, a table holds a number no file can hold
     *     (NaN, infinity, a negative probability), or the file cannot be
     *     written ("TARVO error ... in function WriteFile"); the file there stays as it was
     */
    public native void writeFile(String path);

    // Identifier, name and description of the network.

    /**
     * The network's identifier.
     *
     * @return the identifier
     * @throws TARVOException when the network has been disposed of
     */
    public native String getId();

    /**
     * Sets the network's identifier.
     *
     * @param id a letter followed by letters, digits and underscores
     * @throws TARVOException when the identifier breaks that rule, or the engine refuses it ("SetId")
     */
    public native void setId(String id);

    /**
     * The network's name, a free text.
     *
     * @return the name, or null when it has none
     * @throws TARVOException when the network has been disposed of
     */
    public native String getName();

    /**
     * Sets the network's name.
     *
     * @param name any text
     * @throws TARVOException when the engine refuses it ("SetName")
     */
    public native void setName(String name);

    /**
     * The network's description, a free text.
     *
     * @return the description, or null when it has none
     * @throws TARVOException when the network has been disposed of
     */
    public native String getDescription();

    /**
     * Sets the network's description.
     *
     * @param description any text
     * @throws TARVOException when the engine refuses it ("SetComment")
     */
    public native void setDescription(String description);

    // Nodes.

    /**
     * Adds a node of the given definition type, with the outcomes and parameters that the type gives a new
     * node (two outcomes for the discrete chance kinds).
     *
     * @param nodeType the definition type code (see the class description)
     * @param nodeId the new node's identifier, unique in the network; null lets the network make one
     *     ("Node" followed by a number)
     * @return the new node's handle
     * @throws TARVOException when the identifier breaks the identifier rule (nothing is added) or another
     *     node or submodel has it, or the engine refuses the node ("TARVO error ... in function AddNode")
     */
    public native int addNode(int nodeType, String nodeId);

    /**
     * Adds a node with an identifier that the network makes; as {@link #addNode(int, String)} with null.
     *
     * @param nodeType the definition type code (see the class description)
     * @return the new node's handle
     * @throws TARVOException when the engine refuses the node ("AddNode")
     */
    public native int addNode(int nodeType);

    /**
     * Deletes a node with its arcs; its children lose the parent's dimension in their tables.
     *
     * @param nodeHandle the node's handle
     * @throws TARVOException when the handle names no node
     */
    public native void deleteNode(int nodeHandle);

    /**
     * As {@link #deleteNode(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @throws TARVOException when no node has the identifier
     */
    public native void deleteNode(String nodeId);

    /**
     * The number of nodes.
     *
     * @return the number of nodes
     * @throws TARVOException when the network has been disposed of
     */
    public native int getNodeCount();

    /**
     * Starts a walk over the nodes in handle order: {@code for (int h = net.getFirstNode(); h >= 0;
     * h = net.getNextNode(h))}.
     *
     * @return the smallest node handle, or -1 when the network has no nodes
     * @throws TARVOException when the network has been disposed of
     */
    public native int getFirstNode();

    /**
     * The next node of the walk that {@link #getFirstNode()} starts. The handle is not checked: after the
     * handle of a deleted node the walk goes on with the next node above it.
     *
     * @param nodeHandle a node handle
     * @return the smallest node handle above the given one, or -1 when there is none
     * @throws TARVOException when the network has been disposed of
     */
    public native int getNextNode(int nodeHandle);

    /**
     * The handle of the node with the given identifier.
     *
     * @param nodeId the node's identifier, compared exactly
     * @return the node's handle
     * @throws TARVOException when no node has the identifier ("Invalid node id: " and the identifier)
     */
    public native int getNode(String nodeId);

    /**
     * The handles of all nodes.
     *
     * @return the handles in ascending order
     * @throws TARVOException when the network has been disposed of
     */
    public native int[] getAllNodes();

    /**
     * The identifiers of all nodes.
     *
     * @return the identifiers, in the order of {@link #getAllNodes()}
     * @throws TARVOException when the network has been disposed of
     */
    public native String[] getAllNodeIds();

    /**
     * A node's identifier.
     *
     * @param nodeHandle the node's handle
     * @return the identifier
     * @throws TARVOException when the handle names no node
     */
    public native String getNodeId(int nodeHandle);

    /**
     * Changes a node's identifier.
     *
     * @param nodeHandle the node's handle
     * @param id the new identifier: a letter followed by letters, digits and underscores
     * @throws TARVOException when the handle names no node, the identifier breaks the rule, or another node
     *     or submodel has it ("SetId")
     */
    public native void setNodeId(int nodeHandle, String id);

    /**
     * As {@link #setNodeId(int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's present identifier
     * @param id the new identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeId(String nodeId, String id);

    /**
     * A node's name, a free text (a new node's name is its identifier).
     *
     * @param nodeHandle the node's handle
     * @return the name, or null when it has none
     * @throws TARVOException when the handle names no node
     */
    public native String getNodeName(int nodeHandle);

    /**
     * As {@link #getNodeName(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the name, or null when it has none
     * @throws TARVOException when no node has the identifier
     */
    public native String getNodeName(String nodeId);

    /**
     * Sets a node's name.
     *
     * @param nodeHandle the node's handle
     * @param name any text
     * @throws TARVOException when the handle names no node, or the engine refuses the name ("SetName")
     */
    public native void setNodeName(int nodeHandle, String name);

    /**
     * As {@link #setNodeName(int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param name any text
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeName(String nodeId, String name);

    /**
     * A node's description, a free text.
     *
     * @param nodeHandle the node's handle
     * @return the description, or null when it has none
     * @throws TARVOException when the handle names no node
     */
    public native String getNodeDescription(int nodeHandle);

    /**
     * As {@link #getNodeDescription(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the description, or null when it has none
     * @throws TARVOException when no node has the identifier
     */
    public native String getNodeDescription(String nodeId);

    /**
     * Sets a node's description.
     *
     * @param nodeHandle the node's handle
     * @param description any text
     * @throws TARVOException when the handle names no node, or the engine refuses the text ("SetComment")
     */
    public native void setNodeDescription(int nodeHandle, String description);

    /**
     * As {@link #setNodeDescription(int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param description any text
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeDescription(String nodeId, String description);

    /**
     * A node's definition type.
     *
     * @param nodeHandle the node's handle
     * @return the definition type code (see the class description)
     * @throws TARVOException when the handle names no node
     */
    public native int getNodeType(int nodeHandle);

    /**
     * As {@link #getNodeType(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the definition type code
     * @throws TARVOException when no node has the identifier
     */
    public native int getNodeType(String nodeId);

    /**
     * Changes a node's definition type, converting its parameters where the kinds allow it (a probability
     * table into noisy-MAX weights, for example). The present type does nothing. Arcs that the new kind
     * does not take, or whose children do not take it as a parent (a cast parent of a probability table,
     * say), are removed, and children whose tables no longer fit are reset to their kinds' defaults: one
     * warning names those parents and children. A discrete kind made from one without outcomes (an
     * equation or utility node) gets two generated outcomes, a utility node a full table of zeros, and an
     * equation node keeps only equation parents. Evidence on an outcome the node no longer has is cleared
     * with a warning; evidence elsewhere is taken through the new tables, as if entered after the change.
     * A node of a hybrid kind among nodes of other kinds (or an equation node among chance nodes) is kept,
     * and {@link #updateBeliefs()} then refuses naming it and a node of another kind.
     *
     * @param nodeHandle the node's handle
     * @param nodeType the new definition type code (see the class description)
     * @throws TARVOException when the handle names no node, the code names no type ("TARVO error -2 in
     *     function setNodeType" with "Unknown node type code: 9999"), or the engine cannot convert the node;
     *     nothing changes then
     */
    public native void setNodeType(int nodeHandle, int nodeType);

    /**
     * As {@link #setNodeType(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param nodeType the new definition type code
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeType(String nodeId, int nodeType);

    // Ordinary arcs.

    /**
     * Adds an arc from parent to child. The child's table gains the parent's dimension, after those of its
     * earlier parents; its existing distributions are repeated for every outcome of the new parent. An
     * equation node has no table: the new parent is appended to its equation as a term, without a warning
     * ("x4=Normal(x3,1)" with the parent x0 becomes "x4=Normal(x3,1)+x0"), as {@link #deleteArc(int, int)}
     * rewrites it on its side; set the equation again with {@link #setNodeEquation(int, String)}. A DeMorgan
     * node (type 82) accepts only DeMorgan nodes as parents, and a chance, deterministic or noisy-MAX child
     * refuses a DeMorgan parent ("Arc rejected by child node [C]: a chance node does not take a DeMorgan node
     * [D] as a parent").
     *
     * @param parentHandle the parent's handle
     * @param childHandle the child's handle
     * @throws TARVOException when a handle names no node (the parent is checked first), or the engine
     *     refuses the arc ("TARVO error ... in function AddArc"): the nodes are the same ("ERROR: Node [C] :
     *     a node cannot be its own parent") or already adjacent ("ERROR: Node [C] : an arc already joins it
     *     and [P]"), the arc would close a cycle ("ERROR: Node [C] : an arc from [P] would close a cycle"),
     *     the child's kind or temporal type takes no such parent, or the child's tables, temporal ones
     *     included, would pass the table limit (-42)
     */
    public native void addArc(int parentHandle, int childHandle);

    /**
     * As {@link #addArc(int, int)}, the nodes given by their identifiers (the child's is looked up first).
     *
     * @param parentId the parent's identifier
     * @param childId the child's identifier
     * @throws TARVOException when no node has one of the identifiers, or as the handle form
     */
    public native void addArc(String parentId, String childId);

    /**
     * Deletes the arc from parent to child; the child's table keeps the slice of the parent's first
     * outcome. An equation node loses the equation it had: its equation becomes the sum of the parents it
     * has left ("Y = 2*X + 1" without X becomes "Y=0"), and a warning names the node and its new equation
     * ("Node [Y] : the removal of its parent [X] rewrote its equation as "Y=0", the sum of the parents
     * left."); set the equation again with {@link #setNodeEquation(int, String)}.
     *
     * @param parentHandle the parent's handle
     * @param childHandle the child's handle
     * @throws TARVOException when a handle names no node, or there is no such arc ("TARVO error -2 in
     *     function RemoveArc" with "ERROR: Node [C] : [P] is not one of its parents")
     */
    public native void deleteArc(int parentHandle, int childHandle);

    /**
     * As {@link #deleteArc(int, int)}, the nodes given by their identifiers (the child's is looked up
     * first).
     *
     * @param parentId the parent's identifier
     * @param childId the child's identifier
     * @throws TARVOException when no node has one of the identifiers, or as the handle form
     */
    public native void deleteArc(String parentId, String childId);

    /**
     * A node's parents, in the order of the dimensions of its table.
     *
     * @param nodeHandle the node's handle
     * @return the parents' handles
     * @throws TARVOException when the handle names no node
     */
    public native int[] getParents(int nodeHandle);

    /**
     * As {@link #getParents(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the parents' handles
     * @throws TARVOException when no node has the identifier
     */
    public native int[] getParents(String nodeId);

    /**
     * The identifiers of a node's parents, in the order of {@link #getParents(int)}.
     *
     * @param nodeHandle the node's handle
     * @return the parents' identifiers
     * @throws TARVOException when the handle names no node
     */
    public native String[] getParentIds(int nodeHandle);

    /**
     * As {@link #getParentIds(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the parents' identifiers
     * @throws TARVOException when no node has the identifier
     */
    public native String[] getParentIds(String nodeId);

    /**
     * A node's children.
     *
     * @param nodeHandle the node's handle
     * @return the children's handles, in the order the arcs were added
     * @throws TARVOException when the handle names no node
     */
    public native int[] getChildren(int nodeHandle);

    /**
     * As {@link #getChildren(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the children's handles
     * @throws TARVOException when no node has the identifier
     */
    public native int[] getChildren(String nodeId);

    /**
     * The identifiers of a node's children, in the order of {@link #getChildren(int)}.
     *
     * @param nodeHandle the node's handle
     * @return the children's identifiers
     * @throws TARVOException when the handle names no node
     */
    public native String[] getChildIds(int nodeHandle);

    /**
     * As {@link #getChildIds(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the children's identifiers
     * @throws TARVOException when no node has the identifier
     */
    public native String[] getChildIds(String nodeId);

    // Outcomes.

    /**
     * The number of a node's outcomes (choices of a decision node).
     *
     * @param nodeHandle the node's handle
     * @return the number of outcomes
     * @throws TARVOException when the handle names no node, or its kind has no outcomes (utility,
     *     multi-attribute utility, equation and continuous nodes: code -51, "ERROR: Node [U] : a TABLE node
     *     has no outcomes (only the discrete kinds have)")
     */
    public native int getOutcomeCount(int nodeHandle);

    /**
     * As {@link #getOutcomeCount(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the number of outcomes
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int getOutcomeCount(String nodeId);

    /**
     * Adds an outcome after the last one; the tables of the node and of its children grow to match. The
     * new outcome has probability 0 in every column of the node's own table (set it with
     * {@link #setNodeDefinition(int, double[])}); each child gets new columns, one per configuration with
     * the new outcome, holding a uniform distribution.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the new outcome's identifier: a letter followed by letters, digits and
     *     underscores; one that another outcome of the node has is replaced by a generated one
     * @throws TARVOException when the identifier breaks the rule (checked before the handle), the handle
     *     names no node, or the node refuses the outcome ("AddOutcome": code -51 for a kind without
     *     outcomes, naming it, or with fixed outcomes; -42 when its table or a temporal table over its
     *     outcomes would pass the table limit; a child that cannot take the outcome, named); nothing
     *     changes then
     */
    public native void addOutcome(int nodeHandle, String outcomeId);

    /**
     * As {@link #addOutcome(int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the new outcome's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void addOutcome(String nodeId, String outcomeId);

    /**
     * Inserts an outcome before the one at the given position; the tables grow as for
     * {@link #addOutcome(int, String)}, the new outcome with probability 0 and the children's new columns
     * uniform.
     *
     * @param nodeHandle the node's handle
     * @param position the new outcome's index, from 0 to the number of outcomes
     * @param outcomeId the new outcome's identifier, as for {@link #addOutcome(int, String)}
     * @throws TARVOException when the identifier breaks the rule, the handle names no node, or the node
     *     refuses the outcome or the position ("TARVO error ... in function InsertOutcome"; a position out
     *     of range gives "ERROR: Node [A] : position 9 is outside 0..2")
     */
    public native void insertOutcome(int nodeHandle, int position, String outcomeId);

    /**
     * As {@link #insertOutcome(int, int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param position the new outcome's index
     * @param outcomeId the new outcome's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void insertOutcome(String nodeId, int position, String outcomeId);

    /**
     * Deletes an outcome; the tables of the node and of its children shrink to match.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @throws TARVOException when the handle names no node, the index is out of range, or the node refuses
     *     ("TARVO error ... in function RemoveOutcome": for example "ERROR: Node [A] : it keeps at least two
     *     outcomes" when fewer than two would be left)
     */
    public native void deleteOutcome(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #deleteOutcome(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void deleteOutcome(String nodeId, int outcomeIndex);

    /**
     * As {@link #deleteOutcome(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @throws TARVOException when the node has no such outcome, or as {@link #deleteOutcome(int, int)}
     */
    public native void deleteOutcome(int nodeHandle, String outcomeId);

    /**
     * As {@link #deleteOutcome(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @throws TARVOException when no node or outcome has the identifier, or as
     *     {@link #deleteOutcome(int, int)}
     */
    public native void deleteOutcome(String nodeId, String outcomeId);

    /**
     * Renames an outcome.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @param id the new identifier, which the node checks: valid and unique among its outcomes
     * @throws TARVOException when the handle names no node, the index is out of range, or the node refuses
     *     the identifier ("TARVO error -2 in function RenameOutcome" with the reason: "ERROR: Node [A] :
     *     outcome identifier [x] is already used by outcome 1", or "[1x] is not an identifier")
     */
    public native void setOutcomeId(int nodeHandle, int outcomeIndex, String id);

    /**
     * As {@link #setOutcomeId(int, int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @param id the new identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setOutcomeId(String nodeId, int outcomeIndex, String id);

    /**
     * An outcome's identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @return the identifier
     * @throws TARVOException when the handle names no node or the index is out of range
     */
    public native String getOutcomeId(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #getOutcomeId(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @return the identifier
     * @throws TARVOException when no node has the identifier, or the index is out of range
     */
    public native String getOutcomeId(String nodeId, int outcomeIndex);

    /**
     * The identifiers of all outcomes of a node.
     *
     * @param nodeHandle the node's handle
     * @return the identifiers in outcome order; empty for a kind without outcomes
     * @throws TARVOException when the handle names no node
     */
    public native String[] getOutcomeIds(int nodeHandle);

    /**
     * As {@link #getOutcomeIds(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the identifiers in outcome order
     * @throws TARVOException when no node has the identifier
     */
    public native String[] getOutcomeIds(String nodeId);

    // Belief updating and algorithm settings.

    /**
     * Brings the values of the nodes up to date with the evidence: beliefs of chance nodes, expected
     * utilities of decision and utility nodes (an influence diagram), the distributions of equation nodes,
     * or, when the network has plate nodes, those of the unrolled dynamic network. Only the targets and the
     * nodes they need are computed when targets are set. The algorithm is the network's setting (see the
     * class description); read the results with {@link #getNodeValue(int)}.
     *
     * <p>Every probability column is used scaled to sum to 1 (a table rounded in a file, one left off 1 by
     * {@link #deleteOutcome(int, int)}, one set so by {@link #setNodeDefinition(int, double[])}), and a
     * column of zeros as uniform, so beliefs always sum to 1; the stored table keeps its numbers. For a
     * column off 1 beyond the rounding of a file, or one of zeros, the update goes on and warns once per
     * such node: "[-568] Node [X] is not consistent. Inference may not be correct", naming the columns off
     * and their sums (the first few, then a count) and those "all zero, used as uniform". A negative, NaN
     * or infinite entry cannot be scaled and is refused, naming the node.
     *
     * <p>On an influence diagram, two decisions taken one after the other that neither an arc nor a
     * directed path puts in order are ordered by this update: it adds the arc from the earlier to the later
     * decision to this network, where it stays (it is listed by {@link #getParentIds(int)} and written to
     * files like any other arc), so that the later decision is taken knowing the earlier, and warns
     * "Temporal order assumed: node [A] before node [B]". A decision that a directed path already puts
     * after another (A &rarr; M &rarr; H &rarr; D, with H observed before D) gets no arc and no warning.
     *
     * @throws TARVOException when the algorithm fails, for example on evidence of probability zero, when a
     *     result is not finite ("ERROR: Node [...] : its value is not finite", or "the spread of its values
     *     is not finite" for draws beyond the doubles) or a node's value is undefined ("ERROR: Node [...] :
     *     its value is undefined"),
     *     or when the unrolled network would pass the node or table limit ("TARVO error ... in function
     *     UpdateBeliefs", with the messages of this update only)
     */
    public native void updateBeliefs();

    /**
     * The probability of the evidence that is set, computed with the targets kept as they are.
     *
     * @return the probability of the evidence
     * @throws TARVOException when it cannot be computed ("TARVO error -1 in function CalcPropEvidence"), for
     *     example on an influence diagram ("The probability of evidence is not defined on an influence
     *     diagram: its decision and utility nodes are no random variables")
     */
    public native double probEvidence();

    /**
     * The number of samples that the sampling algorithms draw, also when a network with equation nodes is
     * updated (see the class description).
     *
     * @return the sample count: 1000 in a new network; after {@link #readFile(String)} the count the file
     *     gives (files of this library's text and XML formats keep one), else 1000
     * @throws TARVOException when the network has been disposed of
     */
    public native int getSampleCount();

    /**
     * Sets the number of samples that the sampling algorithms draw, and so the accuracy of updating a
     * network with equation nodes. The discrete samplers' beliefs have a standard error of up to 0.5 over
     * the square root of the count at best: a few hundred samples or fewer are warned of as a standard
     * error above 0.03 (see the class description). An update whose samples would take more
     * than 2 GiB is refused (-42), and so is one whose draws would take more than some seconds, before the
     * first of them, naming the part or node and the sizes: of discrete nodes, the samples times the work
     * of one sample over its part; of equation nodes, the samples times the work of one draw (the terms of
     * every node's equation, 16 a node besides) past 2^28.
     *
     * @param count the sample count, at least 1
     * @throws TARVOException when the network has been disposed of, or the count is below 1 ("Invalid sample
     *     count 0, it must be at least 1"); the count stays then
     */
    public native void setSampleCount(int count);

    /**
     * The algorithm of belief updating in networks of discrete chance nodes.
     *
     * @return the algorithm number, 0 to 12 (see the class description)
     * @throws TARVOException when the network has been disposed of
     */
    public native int getBayesianAlgorithm();

    /**
     * Chooses the algorithm of belief updating in networks of discrete chance nodes.
     *
     * @param algorithm the algorithm number, 0 to 12 (see the class description); any other value is
     *     ignored and the setting stays
     * @throws TARVOException when the network has been disposed of
     */
    public native void setBayesianAlgorithm(int algorithm);

    /**
     * The algorithm that solves influence diagrams.
     *
     * @return 0 policy evaluation, 1 best-policy search
     * @throws TARVOException when the network has been disposed of
     */
    public native int getInfluenceDiagramAlgorithm();

    /**
     * Chooses the algorithm that solves influence diagrams. The best-policy search answers only which choice
     * is best for the first decision without evidence. That decision knows what it and every earlier
     * decision, taken or not, observed: when no choice is best whatever those nodes without evidence turn
     * out to be, {@link #updateBeliefs()} fails, naming the decision, the nodes that change its best choice
     * and who observed them, then "Can't solve this network using best policy algorithm"; entering their
     * evidence answers. After it only that decision's value is up to date (see {@link #getNodeValue(int)}).
     * With a finding on a chance node below an open decision the two answer different questions: policy
     * evaluation conditions each choice on the finding (which choice is best given that it holds), while
     * the best-policy search solves with the finding in the network, so that each choice is worth the
     * finding's probability under that choice times its expected utility given the finding less the least
     * utility; their best choices can differ. A node the decision knows bears on its choice through the
     * utilities and through the likelihood of such findings.
     *
     * @param algorithm 0 policy evaluation, 1 best-policy search; any other value is ignored
     * @throws TARVOException when the network has been disposed of
     */
    public native void setInfluenceDiagramAlgorithm(int algorithm);

    // Targets.

    /**
     * Marks or unmarks a node as a target of belief updating. While a network has targets, updating may
     * compute only them and the nodes they depend on; with none, every node is a target.
     *
     * @param nodeHandle the node's handle
     * @param target true to mark, false to unmark
     * @throws TARVOException when the handle names no node, or the mark does not change: the node is
     *     already a target, or is none ("Cannot change target status for node '...': it is a target already",
     *     or "...: it is not a target")
     */
    public native void setTarget(int nodeHandle, boolean target);

    /**
     * As {@link #setTarget(int, boolean)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param target true to mark, false to unmark
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setTarget(String nodeId, boolean target);

    /**
     * Whether a node is marked as a target.
     *
     * @param nodeHandle the node's handle
     * @return true for a target
     * @throws TARVOException when the handle names no node
     */
    public native boolean isTarget(int nodeHandle);

    /**
     * As {@link #isTarget(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true for a target
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isTarget(String nodeId);

    /**
     * Unmarks every target.
     *
     * @throws TARVOException when the network has been disposed of
     */
    public native void clearAllTargets();

    // Evidence.

    /**
     * Observes an outcome of a node (the choice made, for a decision node). Values that depend on it are
     * out of date until the next {@link #updateBeliefs()}.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the observed outcome's index
     * @throws TARVOException when the handle names no node, the index is out of range (a node without
     *     outcomes says so, and an equation node that its evidence is a number: {@link
     *     #setContEvidence(int, double)}), or the node refuses ("TARVO error ... in function SetEvidence": a
     *     kind that takes no evidence, or an outcome that contradicts the evidence already set or has
     *     probability 0 in the node's table as the update reads it, a column of zeros being uniform there; a
     *     table computed from parameters that the update would refuse for its size is not consulted, and the
     *     update says why)
     */
    public native void setEvidence(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #setEvidence(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the observed outcome's index
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setEvidence(String nodeId, int outcomeIndex);

    /**
     * As {@link #setEvidence(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the observed outcome's identifier
     * @throws TARVOException when the node has no such outcome, or as {@link #setEvidence(int, int)}
     */
    public native void setEvidence(int nodeHandle, String outcomeId);

    /**
     * As {@link #setEvidence(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the observed outcome's identifier
     * @throws TARVOException when no node or outcome has the identifier, or as
     *     {@link #setEvidence(int, int)}
     */
    public native void setEvidence(String nodeId, String outcomeId);

    /**
     * The outcome that a node is fixed to: the observed one, or the one that the evidence of other nodes
     * implies (propagated evidence).
     *
     * @param nodeHandle the node's handle
     * @return the outcome's index
     * @throws TARVOException when the handle names no node, or the node has no evidence ("Node '...' has no
     *     evidence set")
     */
    public native int getEvidence(int nodeHandle);

    /**
     * As {@link #getEvidence(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the outcome's index
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int getEvidence(String nodeId);

    /**
     * As {@link #getEvidence(int)}, giving the outcome's identifier.
     *
     * @param nodeHandle the node's handle
     * @return the outcome's identifier
     * @throws TARVOException as {@link #getEvidence(int)}
     */
    public native String getEvidenceId(int nodeHandle);

    /**
     * As {@link #getEvidenceId(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the outcome's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native String getEvidenceId(String nodeId);

    /**
     * Whether a node is fixed to an outcome, by observation or by propagated evidence.
     *
     * @param nodeHandle the node's handle
     * @return true when {@link #isRealEvidence(int)} or {@link #isPropagatedEvidence(int)} is true
     * @throws TARVOException when the handle names no node
     */
    public native boolean isEvidence(int nodeHandle);

    /**
     * As {@link #isEvidence(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true when the node has evidence
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isEvidence(String nodeId);

    /**
     * Whether a node has been observed ({@link #setEvidence(int, int)} or
     * {@link #setContEvidence(int, double)}).
     *
     * @param nodeHandle the node's handle
     * @return true for an observed node
     * @throws TARVOException when the handle names no node
     */
    public native boolean isRealEvidence(int nodeHandle);

    /**
     * As {@link #isRealEvidence(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true for an observed node
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isRealEvidence(String nodeId);

    /**
     * Whether a node is fixed to an outcome by the evidence of other nodes (through deterministic
     * relations) without being observed itself.
     *
     * @param nodeHandle the node's handle
     * @return true for propagated evidence
     * @throws TARVOException when the handle names no node
     */
    public native boolean isPropagatedEvidence(int nodeHandle);

    /**
     * As {@link #isPropagatedEvidence(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true for propagated evidence
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isPropagatedEvidence(String nodeId);

    /**
     * Withdraws the observation of a node.
     *
     * @param nodeHandle the node's handle
     * @throws TARVOException when the handle names no node, or the node was not observed ("TARVO error ...
     *     in function ClearEvidence")
     */
    public native void clearEvidence(int nodeHandle);

    /**
     * As {@link #clearEvidence(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void clearEvidence(String nodeId);

    /**
     * Withdraws every observation of the network, those of later time slices included.
     *
     * @throws TARVOException when the network has been disposed of
     */
    public native void clearAllEvidence();

    /**
     * Observes the value of a continuous (equation) node.
     *
     * @param nodeHandle the node's handle
     * @param value the observed value, a finite number
     * @throws TARVOException when the handle names no node, the node takes no number ("TARVO error -51
     *     in function SetEvidence" for a discrete node), or the value is NaN or infinite ("ERROR: Node [X] :
     *     its evidence must be a finite number, not NaN."); the evidence is then as it was
     */
    public native void setContEvidence(int nodeHandle, double value);

    /**
     * As {@link #setContEvidence(int, double)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param value the observed value
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setContEvidence(String nodeId, double value);

    /**
     * The observed value of a continuous node.
     *
     * @param nodeHandle the node's handle
     * @return the observed value; 0 for a node whose evidence is an outcome rather than a number
     * @throws TARVOException when the handle names no node, or the node has no evidence
     */
    public native double getContEvidence(int nodeHandle);

    /**
     * As {@link #getContEvidence(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the observed value
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native double getContEvidence(String nodeId);

    // Annealed MAP.

    /**
     * Searches, by simulated annealing, for the most probable joint outcome of the given nodes given the
     * evidence that is set. The search runs on a copy: this network does not change. Each move is a belief
     * update: a search whose updates (at least numCycle a node in each of iStopSteps + 1 sweeps) would take
     * more than some seconds is refused before the first, error -42 giving their number and sizes.
     *
     * @param mapNodes the handles of the nodes whose outcomes are sought
     * @param tuning the search's settings, kept by the network for later calls once a search with them
     *     succeeds; null keeps the network's present settings and uses the seed 0
     * @return the assignment found, one outcome index per node of {@code mapNodes} in the same order, with
     *     its probability given the evidence and the probability of the evidence
     * @throws TARVOException when a setting is out of range (the first named with its range: "Invalid
     *     annealed MAP tuning: speed 5, it must be in [0.5, 0.99]"; see {@link AnnealedMapTuning}), a handle
     *     names no node or the search fails ("TARVO error ... in function AnnealedMAP"; an empty list gives
     *     "Annealed MAP needs at least one node to find the outcomes of"); the network's settings stay then
     */
    public native AnnealedMapResults annealedMap(int[] mapNodes, AnnealedMapTuning tuning);

    /**
     * As {@link #annealedMap(int[], AnnealedMapTuning)}, the nodes given by their identifiers.
     *
     * @param mapNodeIds the identifiers of the nodes whose outcomes are sought
     * @param tuning the search's settings, or null
     * @return the assignment found, in the order of {@code mapNodeIds}, and the two probabilities
     * @throws TARVOException when no node has one of the identifiers, or as the handle form
     */
    public native AnnealedMapResults annealedMap(String[] mapNodeIds, AnnealedMapTuning tuning);

    // Definitions and values.

    /**
     * A copy of a node's parameters, laid out as described under Tables in the class description. By
     * kind: a probability or truth table, cast or DeMorgan node gives its table (the node's outcomes
     * fastest); a noisy-adder node its derived table; a noisy-MAX node its weights, one row of the node's
     * outcomes for each outcome of parent 0 in the order of {@link #getNoisyParentStrengths(int, int)},
     * then parent 1 and so on, then the leak row (the last row of each parent is fixed: 0 then 1.0); a
     * utility node one utility per configuration of its parents; a decision node one value per choice
     * (often empty); a multi-attribute utility node the weights of its utility parents for each
     * configuration of its decision parents.
     *
     * @param nodeHandle the node's handle
     * @return the parameters
     * @throws TARVOException when the handle names no node, or the kind has no array of parameters
     *     (equation and continuous kinds: "Cannot get node definition '...' of node '...' as an array of
     *     doubles")
     */
    public native double[] getNodeDefinition(int nodeHandle);

    /**
     * As {@link #getNodeDefinition(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the parameters
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native double[] getNodeDefinition(String nodeId);

    /**
     * Replaces a node's parameters, laid out as {@link #getNodeDefinition(int)} gives them; the values
     * are stored as given (not normalised). A noisy-MAX node derives its table from them anew. The node's
     * value is out of date until the next {@link #updateBeliefs()}, which uses every probability column
     * scaled to sum to 1 and a column of zeros as uniform (warning "Node [X] is not consistent. Inference
     * may not be correct", naming the columns off 1 beyond rounding and those of zeros).
     *
     * @param nodeHandle the node's handle
     * @param definition the parameters, exactly as many as {@link #getNodeDefinition(int)} returns
     * @throws TARVOException when the handle names no node, the kind has no array of parameters, or the
     *     length differs ("Invalid definition array size for node '...': expected N and got M"); with code
     *     -2 for an entry that is NaN or infinite ("ERROR: Node [X] : entry 1 of its table is no finite
     *     number (nan)") or a negative probability ("ERROR: Node [X] : -0.3 is no probability"; utilities
     *     may be negative); with code
     *     -51 for a table that a saved file would not keep: for a cast, DeMorgan or noisy-adder node any
     *     table but the one it computes from its own parameters (that one, within 1e-12 per entry, as
     *     {@link #getNodeDefinition(int)} gives it, is taken and changes nothing; to set another, change
     *     the node's kind to 18 first), or a truth table with a column that is not one 1 and zeros; nothing
     *     changes then
     */
    public native void setNodeDefinition(int nodeHandle, double[] definition);

    /**
     * As {@link #setNodeDefinition(int, double[])}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param definition the parameters
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeDefinition(String nodeId, double[] definition);

    /**
     * What {@link #updateBeliefs()} computed for a node, in row-major order with one dimension per node of
     * {@link #getValueIndexingParents(int)} (in that order) and the last dimension fastest: a chance node's
     * beliefs (one per outcome); a decision node's expected utility of each choice; a utility node's
     * expected utility (one number per configuration of the indexing parents). For a plate node of a
     * dynamic network: its value in every time slice, one row a slice, slice 0 first (slices times
     * outcomes for a chance node outside influence diagrams); in a dynamic influence diagram each row is
     * its slice's value as above, with the plate decisions of earlier slices at their best choices (the
     * first of equal ones), and an update whose rows of a node would differ in length (a plate decision
     * whose best choice depends on what it observes) is refused naming that node. For an
     * equation node: the mean and the standard deviation, then, when the deviation is not 0, the value and
     * weight of each sample (mean, deviation, value0, weight0, value1, weight1, ...). In an influence
     * diagram the indexing parents are the decisions and observations the value depends on; a decision
     * that no utility depends on has the same expected utility for every choice, and a chance node that
     * depends on such a decision is not indexed by it: its beliefs are the average over that decision's
     * choices, each counted as equally likely. Under the best-policy solver
     * ({@link #setInfluenceDiagramAlgorithm(int)} 1) the first decision without evidence holds a 0/1
     * vector, 1 for its best choice, and the values of the other nodes are not up to date.
     *
     * <p>An expected utility of a decision or utility node for a configuration of its indexing parents that
     * cannot occur (the model or the evidence gives it probability 0) is undefined: it holds the engine's
     * undefined marker {@code 2 * Double.MIN_NORMAL} (4.450147717014403E-308, which files write as
     * "0.0E-2"), never a computed expected utility. Test an entry with {@code v == 2 * Double.MIN_NORMAL}
     * before using it; a real expected utility near 0 is told apart by that exact comparison.
     *
     * @param nodeHandle the node's handle
     * @return the value
     * @throws TARVOException when the handle names no node, or the value is not up to date ("Value not
     *     valid - node '...'": beliefs not updated since the last change)
     */
    public native double[] getNodeValue(int nodeHandle);

    /**
     * As {@link #getNodeValue(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the value; an undefined expected utility holds {@code 2 * Double.MIN_NORMAL}, as there
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native double[] getNodeValue(String nodeId);

    /**
     * Whether a node's value is up to date, so that {@link #getNodeValue(int)} can read it.
     *
     * @param nodeHandle the node's handle
     * @return true when the value is up to date
     * @throws TARVOException when the handle names no node
     */
    public native boolean isValueValid(int nodeHandle);

    /**
     * As {@link #isValueValid(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true when the value is up to date
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isValueValid(String nodeId);

    /**
     * The nodes whose outcomes index a node's value, in the order of the value's dimensions (in an
     * influence diagram, the decisions and the nodes observed before them that the value depends on;
     * usually none in a Bayesian network). A node that holds evidence is no index: its outcome is known, so
     * the value has no dimension for it.
     *
     * @param nodeHandle the node's handle
     * @return the indexing nodes' handles
     * @throws TARVOException when the handle names no node
     */
    public native int[] getValueIndexingParents(int nodeHandle);

    /**
     * As {@link #getValueIndexingParents(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the indexing nodes' handles
     * @throws TARVOException when no node has the identifier
     */
    public native int[] getValueIndexingParents(String nodeId);

    /**
     * The identifiers of the nodes of {@link #getValueIndexingParents(int)}, in the same order.
     *
     * @param nodeHandle the node's handle
     * @return the indexing nodes' identifiers
     * @throws TARVOException when the handle names no node
     */
    public native String[] getValueIndexingParentIds(int nodeHandle);

    /**
     * As {@link #getValueIndexingParentIds(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the indexing nodes' identifiers
     * @throws TARVOException when no node has the identifier
     */
    public native String[] getValueIndexingParentIds(String nodeId);

    // Noisy-MAX parent strengths; a parent is a position in the node's parent list or an identifier.

    /**
     * Sets the strength order of a noisy-MAX node's parent: the parent's outcomes in the order of their
     * rows in {@link #getNodeDefinition(int)}, the last being the parent's distinguished outcome (the one
     * with no effect). The node's table is derived anew.
     *
     * @param nodeHandle the noisy-MAX node's handle
     * @param parentIndex the parent's position in {@link #getParents(int)}
     * @param strengths a permutation of the parent's outcome indices
     * @throws TARVOException when the handle names no node, the node is not noisy-MAX ("Node '...' must be
     *     of type NoisyMax"), the position is out of range, or the array is not a permutation of that
     *     length
     */
    public native void setNoisyParentStrengths(int nodeHandle, int parentIndex, int[] strengths);

    /**
     * As {@link #setNoisyParentStrengths(int, int, int[])}, the parent given by its identifier.
     *
     * @param nodeHandle the noisy-MAX node's handle
     * @param parentId the parent's identifier
     * @param strengths a permutation of the parent's outcome indices
     * @throws TARVOException when that node is no parent of the node, or as the other form
     */
    public native void setNoisyParentStrengths(int nodeHandle, String parentId, int[] strengths);

    /**
     * As {@link #setNoisyParentStrengths(int, int, int[])}, the node given by its identifier.
     *
     * @param nodeId the noisy-MAX node's identifier
     * @param parentIndex the parent's position in the node's parent list
     * @param strengths a permutation of the parent's outcome indices
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public void setNoisyParentStrengths(String nodeId, int parentIndex, int[] strengths) {
        setNoisyParentStrengths(new String[] {nodeId}, parentIndex, strengths);
    }

    /**
     * As {@link #setNoisyParentStrengths(int, int, int[])}, node and parent given by their identifiers.
     *
     * @param nodeId the noisy-MAX node's identifier
     * @param parentId the parent's identifier
     * @param strengths a permutation of the parent's outcome indices
     * @throws TARVOException when no node has one of the identifiers, that node is no parent of the node,
     *     or as the handle form
     */
    public void setNoisyParentStrengths(String nodeId, String parentId, int[] strengths) {
        setNoisyParentStrengths(new String[] {nodeId}, parentId, strengths);
    }

    // The library exports the identifier forms under String[] signatures: the node identifier travels
    // as the array's only element.
    private native void setNoisyParentStrengths(String[] nodeId, int parentIndex, int[] strengths);
    private native void setNoisyParentStrengths(String[] nodeId, String parentId, int[] strengths);

    /**
     * The strength order of a noisy-MAX node's parent (see
     * {@link #setNoisyParentStrengths(int, int, int[])}).
     *
     * @param nodeHandle the noisy-MAX node's handle
     * @param parentIndex the parent's position in {@link #getParents(int)}
     * @return the parent's outcome indices, strongest row first, the distinguished outcome last
     * @throws TARVOException when the handle names no node, the node is not noisy-MAX, or the position is
     *     out of range
     */
    public native int[] getNoisyParentStrengths(int nodeHandle, int parentIndex);

    /**
     * As {@link #getNoisyParentStrengths(int, int)}, the node given by its identifier.
     *
     * @param nodeId the noisy-MAX node's identifier
     * @param parentIndex the parent's position in the node's parent list
     * @return the parent's outcome indices in strength order
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int[] getNoisyParentStrengths(String nodeId, int parentIndex);

    /**
     * As {@link #getNoisyParentStrengths(int, int)}, the parent given by its identifier.
     *
     * @param nodeHandle the noisy-MAX node's handle
     * @param parentId the parent's identifier
     * @return the parent's outcome indices in strength order
     * @throws TARVOException when that node is no parent of the node, or as the other form
     */
    public native int[] getNoisyParentStrengths(int nodeHandle, String parentId);

    /**
     * As {@link #getNoisyParentStrengths(int, int)}, node and parent given by their identifiers.
     *
     * @param nodeId the noisy-MAX node's identifier
     * @param parentId the parent's identifier
     * @return the parent's outcome indices in strength order
     * @throws TARVOException when no node has one of the identifiers, that node is no parent of the node,
     *     or as the handle form
     */
    public native int[] getNoisyParentStrengths(String nodeId, String parentId);

    // DeMorgan nodes.

    /**
     * Sets a DeMorgan node's prior belief: its probability of "True" before any parent acts. The table is
     * derived anew.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param prior a probability in [0, 1]
     * @throws TARVOException when the handle names no node, the node is not DeMorgan ("Node '...' must be
     *     of type DeMorgan"), or the prior is outside [0, 1] or NaN ("Invalid prior belief 1.5 for node
     *     'D', valid priors are 0..1"; the prior stays)
     */
    public native void setDeMorganPriorBelief(int nodeHandle, double prior);

    /**
     * As {@link #setDeMorganPriorBelief(int, double)}, the node given by its identifier.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param prior a probability in [0, 1]
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setDeMorganPriorBelief(String nodeId, double prior);

    /**
     * A DeMorgan node's prior belief.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @return the probability of "True" before any parent acts (0.5 in a new node)
     * @throws TARVOException when the handle names no node, or the node is not DeMorgan
     */
    public native double getDeMorganPriorBelief(int nodeHandle);

    /**
     * As {@link #getDeMorganPriorBelief(int)}, the node given by its identifier.
     *
     * @param nodeId the DeMorgan node's identifier
     * @return the prior belief
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native double getDeMorganPriorBelief(String nodeId);

    /**
     * Sets how a parent of a DeMorgan node acts: 0 inhibitor (lowers the probability of "True" when the
     * parent is in its first outcome), 1 requirement (lowers it when the parent is in its second outcome),
     * 2 cause (raises it when the parent is in its first outcome), 3 barrier (raises it when the parent is
     * in its second outcome). The table is derived anew.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentIndex the parent's position in {@link #getParents(int)}
     * @param type the parent type, 0 to 3
     * @throws TARVOException when the handle names no node, the node is not DeMorgan, the type is not 0 to
     *     3, or the position is out of range ("TARVO error -2 in function SetParentType")
     */
    public native void setDeMorganParentType(int nodeHandle, int parentIndex, int type);

    /**
     * As {@link #setDeMorganParentType(int, int, int)}, the node given by its identifier.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentIndex the parent's position in the node's parent list
     * @param type the parent type, 0 to 3
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setDeMorganParentType(String nodeId, int parentIndex, int type);

    /**
     * As {@link #setDeMorganParentType(int, int, int)}, the parent given by its identifier.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentId the parent's identifier
     * @param type the parent type, 0 to 3
     * @throws TARVOException when that node is no parent of the node, or as the other form
     */
    public native void setDeMorganParentType(int nodeHandle, String parentId, int type);

    /**
     * As {@link #setDeMorganParentType(int, int, int)}, node and parent given by their identifiers.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentId the parent's identifier
     * @param type the parent type, 0 to 3
     * @throws TARVOException when no node has one of the identifiers, that node is no parent of the node,
     *     or as the handle form
     */
    public native void setDeMorganParentType(String nodeId, String parentId, int type);

    /**
     * How a parent of a DeMorgan node acts (see {@link #setDeMorganParentType(int, int, int)}).
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentIndex the parent's position in {@link #getParents(int)}
     * @return the parent type: 0 inhibitor, 1 requirement, 2 cause, 3 barrier
     * @throws TARVOException when the handle names no node, the node is not DeMorgan, or the position is
     *     out of range ("GetParentType", naming the node, the position and its parents)
     */
    public native int getDeMorganParentType(int nodeHandle, int parentIndex);

    /**
     * As {@link #getDeMorganParentType(int, int)}, the node given by its identifier.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentIndex the parent's position in the node's parent list
     * @return the parent type
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int getDeMorganParentType(String nodeId, int parentIndex);

    /**
     * As {@link #getDeMorganParentType(int, int)}, the parent given by its identifier.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentId the parent's identifier
     * @return the parent type
     * @throws TARVOException when that node is no parent of the node, or as the other form
     */
    public native int getDeMorganParentType(int nodeHandle, String parentId);

    /**
     * As {@link #getDeMorganParentType(int, int)}, node and parent given by their identifiers.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentId the parent's identifier
     * @return the parent type
     * @throws TARVOException when no node has one of the identifiers, that node is no parent of the node,
     *     or as the handle form
     */
    public native int getDeMorganParentType(String nodeId, String parentId);

    /**
     * Sets the weight of a parent of a DeMorgan node: how strongly it acts, from 0 (not at all) to 1. The
     * table is derived anew.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentIndex the parent's position in {@link #getParents(int)}
     * @param weight the weight, in [0, 1]
     * @throws TARVOException when the handle names no node, the node is not DeMorgan, or the position or
     *     the weight is out of range ("TARVO error -2 in function SetParentWeight")
     */
    public native void setDeMorganParentWeight(int nodeHandle, int parentIndex, double weight);

    /**
     * As {@link #setDeMorganParentWeight(int, int, double)}, the node given by its identifier.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentIndex the parent's position in the node's parent list
     * @param weight the weight, in [0, 1]
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setDeMorganParentWeight(String nodeId, int parentIndex, double weight);

    /**
     * As {@link #setDeMorganParentWeight(int, int, double)}, the parent given by its identifier.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentId the parent's identifier
     * @param weight the weight, in [0, 1]
     * @throws TARVOException when that node is no parent of the node, or as the other form
     */
    public native void setDeMorganParentWeight(int nodeHandle, String parentId, double weight);

    /**
     * As {@link #setDeMorganParentWeight(int, int, double)}, node and parent given by their identifiers.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentId the parent's identifier
     * @param weight the weight, in [0, 1]
     * @throws TARVOException when no node has one of the identifiers, that node is no parent of the node,
     *     or as the handle form
     */
    public native void setDeMorganParentWeight(String nodeId, String parentId, double weight);

    /**
     * The weight of a parent of a DeMorgan node.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentIndex the parent's position in {@link #getParents(int)}
     * @return the weight, in [0, 1]
     * @throws TARVOException when the handle names no node, the node is not DeMorgan, or the position is
     *     out of range ("TARVO error -1 in function GetParentWeight", naming the node, the position and its
     *     parents)
     */
    public native double getDeMorganParentWeight(int nodeHandle, int parentIndex);

    /**
     * As {@link #getDeMorganParentWeight(int, int)}, the node given by its identifier.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentIndex the parent's position in the node's parent list
     * @return the weight
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native double getDeMorganParentWeight(String nodeId, int parentIndex);

    /**
     * As {@link #getDeMorganParentWeight(int, int)}, the parent given by its identifier.
     *
     * @param nodeHandle the DeMorgan node's handle
     * @param parentId the parent's identifier
     * @return the weight
     * @throws TARVOException when that node is no parent of the node, or as the other form
     */
    public native double getDeMorganParentWeight(int nodeHandle, String parentId);

    /**
     * As {@link #getDeMorganParentWeight(int, int)}, node and parent given by their identifiers.
     *
     * @param nodeId the DeMorgan node's identifier
     * @param parentId the parent's identifier
     * @return the weight
     * @throws TARVOException when no node has one of the identifiers, that node is no parent of the node,
     *     or as the handle form
     */
    public native double getDeMorganParentWeight(String nodeId, String parentId);

    // Equation nodes.

    /**
     * Sets the equation of an equation node: the node's identifier, "=", and an expression over the
     * identifiers of other nodes, constants, functions and distributions, for example
     * {@code "Y = 2*X + Normal(0, 1)"}; in {@code Normal(a, b)}, a is the mean and b the standard
     * deviation. Arcs follow the nodes that the equation names. A node that would close a cycle of arcs
     * is refused; the node's own identifier is not: an equation may name its node on both sides, and
     * {@link #updateBeliefs()} solves it for the node ({@code "X = 2*X"} gives X = 0), or fails naming
     * the node when it has no solution ({@code "X = X + 1"}: "Unable to solve the equation of node [X]
     * for the node."), or when the equation does not name the node at all ({@code "Z = 2"} set on X:
     * "Equation of node [X] does not name the node."), with or without evidence elsewhere. Once a node with
     * parents holds evidence, such an equation whose value varies with its parents is solved where it is
     * linear in the node ({@code "W = 0.5*W + X"}), and any other is refused naming the node ("Unable to
     * solve the equation of node [W] for the node: no rule isolates it, it is not linear in it, and its
     * value rests on draws or on evidence.").
     *
     * @param nodeHandle the equation node's handle
     * @param equation the equation's text
     * @throws TARVOException when the handle names no node, the node is not an equation node ("Node '...'
     *     must be of type Equation"), or the text is refused ("Invalid equation, error at position N: " and
     *     the reason, such as an unknown identifier, whose first appearance N gives, a node that would
     *     close a cycle, or a number no reader takes: "Hexadecimal number not allowed: 0x10", "Number beyond
     *     the doubles: 1e400"); the equation stays then
     */
    public native void setNodeEquation(int nodeHandle, String equation);

    /**
     * As {@link #setNodeEquation(int, String)}, the node given by its identifier.
     *
     * @param nodeId the equation node's identifier
     * @param equation the equation's text
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeEquation(String nodeId, String equation);

    /**
     * The equation of an equation node as the engine writes it, for example "Y=2*X+Normal(0,1)".
     *
     * @param nodeHandle the equation node's handle
     * @return the equation; a new node's is its identifier followed by "=0"
     * @throws TARVOException when the handle names no node, or the node is not an equation node
     */
    public native String getNodeEquation(int nodeHandle);

    /**
     * As {@link #getNodeEquation(int)}, the node given by its identifier.
     *
     * @param nodeId the equation node's identifier
     * @return the equation
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native String getNodeEquation(String nodeId);

    /**
     * Sets the range of an equation node's values, which discretisation uses; the bounds are stored as
     * given. A bound that is NaN, or a lower bound above the upper, is refused and changes nothing.
     *
     * @param nodeHandle the equation node's handle
     * @param lower the lower bound
     * @param upper the upper bound
     * @throws TARVOException when the handle names no node, the node is not an equation node, or the bounds
     *     are refused (the message names both)
     */
    public native void setNodeEquationBounds(int nodeHandle, double lower, double upper);

    /**
     * As {@link #setNodeEquationBounds(int, double, double)}, the node given by its identifier.
     *
     * @param nodeId the equation node's identifier
     * @param lower the lower bound
     * @param upper the upper bound
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeEquationBounds(String nodeId, double lower, double upper);

    /**
     * The range of an equation node's values.
     *
     * @param nodeHandle the equation node's handle
     * @return {lower, upper}; {-1, 1} in a new node
     * @throws TARVOException when the handle names no node, or the node is not an equation node
     */
    public native double[] getNodeEquationBounds(int nodeHandle);

    /**
     * As {@link #getNodeEquationBounds(int)}, the node given by its identifier.
     *
     * @param nodeId the equation node's identifier
     * @return {lower, upper}
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native double[] getNodeEquationBounds(String nodeId);

    // Multi-attribute utility nodes.

    /**
     * The expressions of a multi-attribute utility node: one per configuration of its decision parents
     * (in row-major order, the last decision parent fastest), each over the identifiers of utility
     * parents.
     *
     * @param nodeHandle the node's handle
     * @return the expressions; empty while the node combines its parents by weights
     * @throws TARVOException when the handle names no node, or the node is not multi-attribute utility
     *     ("Node '...' must be of type MAU")
     */
    public native String[] getMauExpressions(int nodeHandle);

    /**
     * As {@link #getMauExpressions(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the expressions, or an empty array
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native String[] getMauExpressions(String nodeId);

    /**
     * Sets the expressions of a multi-attribute utility node, which then combines its utility parents by
     * them instead of by weights; the node's utility parents become exactly the nodes they name. Policy
     * evaluation applies an expression to its parents' expected utilities, so a non-linear one is not the
     * expected value of the expression: u0*u1 over two utilities that depend on one chance node gives
     * E[u0]*E[u1], not E[u0*u1].
     *
     * @param nodeHandle the node's handle
     * @param expressions one per configuration of the decision parents, as {@link #getMauExpressions(int)}
     *     lays them out; null or empty goes back to weights
     * @throws TARVOException when the handle names no node, the node is not multi-attribute utility, or the
     *     engine refuses the expressions (its reason as the message: "Wrong vector size: 2 expressions where
     *     the node takes 1, one for each configuration of its decision parents", "Can't parse
     *     expression at index ...", ...); nothing changes then
     */
    public native void setMauExpressions(int nodeHandle, String[] expressions);

    /**
     * As {@link #setMauExpressions(int, String[])}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param expressions the expressions, or null
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setMauExpressions(String nodeId, String[] expressions);

    // Costs.

    /**
     * Adds a cost arc: the cost of observing the child then depends on the parent's outcome. Cost arcs do
     * not take part in inference; troubleshooting ({@link DiagNetwork}) reads the costs.
     *
     * @param parentHandle the parent's handle (a discrete chance or decision node)
     * @param childHandle the child's handle
     * @throws TARVOException when a handle names no node (the parent is checked first), or the engine
     *     refuses the arc ("TARVO error ... in function AddArc": the same node, or a parent of another kind)
     */
    public native void addCostArc(int parentHandle, int childHandle);

    /**
     * As {@link #addCostArc(int, int)}, the nodes given by their identifiers (the child's is looked up
     * first).
     *
     * @param parentId the parent's identifier
     * @param childId the child's identifier
     * @throws TARVOException when no node has one of the identifiers, or as the handle form
     */
    public native void addCostArc(String parentId, String childId);

    /**
     * Deletes a cost arc.
     *
     * @param parentHandle the parent's handle
     * @param childHandle the child's handle
     * @throws TARVOException when a handle names no node, or there is no such arc ("RemoveArc")
     */
    public native void deleteCostArc(int parentHandle, int childHandle);

    /**
     * As {@link #deleteCostArc(int, int)}, the nodes given by their identifiers (the child's is looked up
     * first).
     *
     * @param parentId the parent's identifier
     * @param childId the child's identifier
     * @throws TARVOException when no node has one of the identifiers, or as the handle form
     */
    public native void deleteCostArc(String parentId, String childId);

    /**
     * A node's cost parents, in the order of the dimensions of its cost table.
     *
     * @param nodeHandle the node's handle
     * @return the cost parents' handles
     * @throws TARVOException when the handle names no node
     */
    public native int[] getCostParents(int nodeHandle);

    /**
     * As {@link #getCostParents(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the cost parents' handles
     * @throws TARVOException when no node has the identifier
     */
    public native int[] getCostParents(String nodeId);

    /**
     * The identifiers of a node's cost parents, in the order of {@link #getCostParents(int)}.
     *
     * @param nodeHandle the node's handle
     * @return the cost parents' identifiers
     * @throws TARVOException when the handle names no node
     */
    public native String[] getCostParentIds(int nodeHandle);

    /**
     * As {@link #getCostParentIds(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the cost parents' identifiers
     * @throws TARVOException when no node has the identifier
     */
    public native String[] getCostParentIds(String nodeId);

    /**
     * A node's cost children.
     *
     * @param nodeHandle the node's handle
     * @return the cost children's handles
     * @throws TARVOException when the handle names no node
     */
    public native int[] getCostChildren(int nodeHandle);

    /**
     * As {@link #getCostChildren(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the cost children's handles
     * @throws TARVOException when no node has the identifier
     */
    public native int[] getCostChildren(String nodeId);

    /**
     * The identifiers of a node's cost children, in the order of {@link #getCostChildren(int)}.
     *
     * @param nodeHandle the node's handle
     * @return the cost children's identifiers
     * @throws TARVOException when the handle names no node
     */
    public native String[] getCostChildIds(int nodeHandle);

    /**
     * As {@link #getCostChildIds(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the cost children's identifiers
     * @throws TARVOException when no node has the identifier
     */
    public native String[] getCostChildIds(String nodeId);

    /**
     * The cost of observing a node: one number per configuration of its cost parents, in row-major order
     * over the cost parents of {@link #getCostParents(int)} (the last fastest); a single number without
     * cost parents.
     *
     * @param nodeHandle the node's handle
     * @return the costs (0 in a new node)
     * @throws TARVOException when the handle names no node
     */
    public native double[] getNodeCost(int nodeHandle);

    /**
     * As {@link #getNodeCost(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the costs
     * @throws TARVOException when no node has the identifier
     */
    public native double[] getNodeCost(String nodeId);

    /**
     * Replaces the cost of observing a node, laid out as {@link #getNodeCost(int)} gives it.
     *
     * @param nodeHandle the node's handle
     * @param cost the costs, exactly as many as {@link #getNodeCost(int)} returns; a negative cost is kept,
     *     and the troubleshooting rankings count it as 0
     * @throws TARVOException when the handle names no node, the length differs ("Invalid cost array size
     *     for node '...': expected N and got M"), or a cost is NaN or infinite ("Invalid cost for node '...':
     *     element I is NaN; a cost must be a finite number"); the costs are then left as they were
     */
    public native void setNodeCost(int nodeHandle, double[] cost);

    /**
     * As {@link #setNodeCost(int, double[])}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param cost the costs
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeCost(String nodeId, double[] cost);

    // Node appearance.

    /**
     * Places a node on screen; the values are stored as given.
     *
     * @param nodeHandle the node's handle
     * @param x the left edge
     * @param y the top edge
     * @param width the width
     * @param height the height
     * @throws TARVOException when the handle names no node
     */
    public native void setNodePosition(int nodeHandle, int x, int y, int width, int height);

    /**
     * As {@link #setNodePosition(int, int, int, int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param x the left edge
     * @param y the top edge
     * @param width the width
     * @param height the height
     * @throws TARVOException when no node has the identifier
     */
    public native void setNodePosition(String nodeId, int x, int y, int width, int height);

    /**
     * A node's place on screen.
     *
     * @param nodeHandle the node's handle
     * @return a new rectangle: left edge, top edge, width and height
     * @throws TARVOException when the handle names no node
     */
    public native Rectangle getNodePosition(int nodeHandle);

    /**
     * As {@link #getNodePosition(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return a new rectangle
     * @throws TARVOException when no node has the identifier
     */
    public native Rectangle getNodePosition(String nodeId);

    /**
     * Sets a node's background colour; the alpha component is dropped.
     *
     * @param nodeHandle the node's handle
     * @param color the colour
     * @throws TARVOException when the handle names no node, or the colour is null
     */
    public native void setNodeBgColor(int nodeHandle, Color color);

    /**
     * As {@link #setNodeBgColor(int, Color)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param color the colour
     * @throws TARVOException when no node has the identifier, or the colour is null
     */
    public native void setNodeBgColor(String nodeId, Color color);

    /**
     * A node's background colour.
     *
     * @param nodeHandle the node's handle
     * @return a new, opaque colour
     * @throws TARVOException when the handle names no node
     */
    public native Color getNodeBgColor(int nodeHandle);

    /**
     * As {@link #getNodeBgColor(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return a new, opaque colour
     * @throws TARVOException when no node has the identifier
     */
    public native Color getNodeBgColor(String nodeId);

    /**
     * Sets the colour of a node's text; the alpha component is dropped.
     *
     * @param nodeHandle the node's handle
     * @param color the colour
     * @throws TARVOException when the handle names no node, or the colour is null
     */
    public native void setNodeTextColor(int nodeHandle, Color color);

    /**
     * As {@link #setNodeTextColor(int, Color)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param color the colour
     * @throws TARVOException when no node has the identifier, or the colour is null
     */
    public native void setNodeTextColor(String nodeId, Color color);

    /**
     * The colour of a node's text.
     *
     * @param nodeHandle the node's handle
     * @return a new, opaque colour
     * @throws TARVOException when the handle names no node
     */
    public native Color getNodeTextColor(int nodeHandle);

    /**
     * As {@link #getNodeTextColor(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return a new, opaque colour
     * @throws TARVOException when no node has the identifier
     */
    public native Color getNodeTextColor(String nodeId);

    /**
     * Sets the colour of a node's border; the alpha component is dropped.
     *
     * @param nodeHandle the node's handle
     * @param color the colour
     * @throws TARVOException when the handle names no node, or the colour is null
     */
    public native void setNodeBorderColor(int nodeHandle, Color color);

    /**
     * As {@link #setNodeBorderColor(int, Color)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param color the colour
     * @throws TARVOException when no node has the identifier, or the colour is null
     */
    public native void setNodeBorderColor(String nodeId, Color color);

    /**
     * The colour of a node's border.
     *
     * @param nodeHandle the node's handle
     * @return a new, opaque colour
     * @throws TARVOException when the handle names no node
     */
    public native Color getNodeBorderColor(int nodeHandle);

    /**
     * As {@link #getNodeBorderColor(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return a new, opaque colour
     * @throws TARVOException when no node has the identifier
     */
    public native Color getNodeBorderColor(String nodeId);

    /**
     * Sets the width of a node's border; the value is stored as given.
     *
     * @param nodeHandle the node's handle
     * @param width the width in pixels
     * @throws TARVOException when the handle names no node
     */
    public native void setNodeBorderWidth(int nodeHandle, int width);

    /**
     * As {@link #setNodeBorderWidth(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param width the width in pixels
     * @throws TARVOException when no node has the identifier
     */
    public native void setNodeBorderWidth(String nodeId, int width);

    /**
     * The width of a node's border.
     *
     * @param nodeHandle the node's handle
     * @return the width
     * @throws TARVOException when the handle names no node
     */
    public native int getNodeBorderWidth(int nodeHandle);

    /**
     * As {@link #getNodeBorderWidth(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the width
     * @throws TARVOException when no node has the identifier
     */
    public native int getNodeBorderWidth(String nodeId);

    // Submodels.

    /**
     * Starts a walk over the submodels, which group nodes and other submodels for display:
     * {@code for (int s = net.getFirstSubmodel(); s >= 0; s = net.getNextSubmodel(s))}. Submodel handles
     * carry the bit 0x4000 and so never equal node handles; the main submodel, which every network has and
     * which holds the network's own identifier, is 16384.
     *
     * @return the first submodel's handle (normally the main submodel), negative when there is none
     * @throws TARVOException when the network has been disposed of
     */
    public native int getFirstSubmodel();

    /**
     * The next submodel of the walk that {@link #getFirstSubmodel()} starts.
     *
     * @param submodelHandle a submodel handle
     * @return the next submodel's handle, or -1 at the end of the walk or for a handle of no submodel
     * @throws TARVOException when the network has been disposed of
     */
    public native int getNextSubmodel(int submodelHandle);

    /**
     * The number of submodels.
     *
     * @return the number of submodels, the main submodel included
     * @throws TARVOException when the network has been disposed of
     */
    public native int getSubmodelCount();

    /**
     * The handle of the submodel with the given identifier.
     *
     * @param submodelId the submodel's identifier
     * @return the submodel's handle
     * @throws TARVOException when no submodel has the identifier ("Invalid submodel id: '...'")
     */
    public native int getSubmodel(String submodelId);

    /**
     * The handle of the main submodel.
     *
     * @return 16384
     * @throws TARVOException when the network has no main submodel ("Main submodel not found")
     */
    public native int getMainSubmodel();

    /**
     * The identifier of the main submodel, which is the network's identifier.
     *
     * @return the identifier
     * @throws TARVOException when the network has no main submodel
     */
    public native String getMainSubmodelId();

    /**
     * The submodel that a node belongs to.
     *
     * @param nodeHandle the node's handle
     * @return the submodel's handle
     * @throws TARVOException when the handle names no node
     */
    public native int getSubmodelOfNode(int nodeHandle);

    /**
     * As {@link #getSubmodelOfNode(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the submodel's handle
     * @throws TARVOException when no node has the identifier
     */
    public native int getSubmodelOfNode(String nodeId);

    /**
     * Moves a node into a submodel.
     *
     * @param submodelHandle the submodel's handle
     * @param nodeHandle the node's handle
     * @throws TARVOException when the node handle names no node (checked first), the submodel handle names
     *     no submodel, or the engine refuses ("TARVO error ... in function SetSubmodel")
     */
    public native void setSubmodelOfNode(int submodelHandle, int nodeHandle);

    /**
     * As {@link #setSubmodelOfNode(int, int)}, submodel and node given by their identifiers (the node's is
     * looked up first).
     *
     * @param submodelId the submodel's identifier
     * @param nodeId the node's identifier
     * @throws TARVOException when no node or submodel has the identifier, or as the handle form
     */
    public native void setSubmodelOfNode(String submodelId, String nodeId);

    /**
     * The submodel that holds a submodel.
     *
     * @param submodelHandle the submodel's handle
     * @return the parent submodel's handle; -8888 for the main submodel, which has none
     * @throws TARVOException when the handle names no submodel ("Invalid submodel handle: ...")
     */
    public native int getSubmodelOfSubmodel(int submodelHandle);

    /**
     * As {@link #getSubmodelOfSubmodel(int)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @return the parent submodel's handle, or -8888
     * @throws TARVOException when no submodel has the identifier
     */
    public native int getSubmodelOfSubmodel(String submodelId);

    /**
     * Moves a submodel, with its contents, into another submodel.
     *
     * @param parentHandle the new parent submodel's handle
     * @param submodelHandle the handle of the submodel moved
     * @throws TARVOException when a handle names no submodel (the moved one is checked first), or the
     *     engine refuses ("TARVO error -2 in function SetSubmodel", followed by the cause: the main submodel
     *     moved, or the parent inside the moved submodel or the submodel itself)
     */
    public native void setSubmodelOfSubmodel(int parentHandle, int submodelHandle);

    /**
     * As {@link #setSubmodelOfSubmodel(int, int)}, the submodels given by their identifiers (the moved
     * one's is looked up first).
     *
     * @param parentId the new parent submodel's identifier
     * @param submodelId the identifier of the submodel moved
     * @throws TARVOException when no submodel has one of the identifiers, or as the handle form
     */
    public native void setSubmodelOfSubmodel(String parentId, String submodelId);

    /**
     * Adds an empty submodel.
     *
     * @param parentHandle the handle of the submodel that holds the new one
     * @param id the new submodel's identifier: a letter followed by letters, digits and underscores,
     *     unique among nodes and submodels
     * @return the new submodel's handle
     * @throws TARVOException when the identifier breaks the rule, or the engine refuses ("TARVO error -2 in
     *     function CreateSubmodel": a bad parent, or an identifier in use)
     */
    public native int addSubmodel(int parentHandle, String id);

    /**
     * As {@link #addSubmodel(int, String)}, the parent given by its identifier.
     *
     * @param parentId the identifier of the submodel that holds the new one
     * @param id the new submodel's identifier
     * @return the new submodel's handle
     * @throws TARVOException when no submodel has the parent's identifier, or as the handle form
     */
    public native int addSubmodel(String parentId, String id);

    /**
     * Deletes a submodel; its nodes and submodels move to its parent.
     *
     * @param submodelHandle the submodel's handle
     * @throws TARVOException when the handle names no submodel, or it is the main submodel ("TARVO error -2
     *     in function DeleteSubmodel")
     */
    public native void deleteSubmodel(int submodelHandle);

    /**
     * As {@link #deleteSubmodel(int)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @throws TARVOException when no submodel has the identifier, or as the handle form
     */
    public native void deleteSubmodel(String submodelId);

    /**
     * Changes a submodel's identifier.
     *
     * @param submodelHandle the submodel's handle
     * @param id the new identifier: a letter followed by letters, digits and underscores, unique among
     *     nodes and submodels
     * @throws TARVOException when the handle names no submodel, the identifier breaks the rule, or another
     *     submodel or a node has it ("TARVO error -32 in function SetId" naming the holder), as
     *     {@link #addSubmodel(int, String)} and {@link #setNodeId(int, String)} refuse it
     */
    public native void setSubmodelId(int submodelHandle, String id);

    /**
     * A submodel's identifier.
     *
     * @param submodelHandle the submodel's handle
     * @return the identifier
     * @throws TARVOException when the handle names no submodel
     */
    public native String getSubmodelId(int submodelHandle);

    /**
     * Sets a submodel's name, a free text.
     *
     * @param submodelHandle the submodel's handle
     * @param name any text
     * @throws TARVOException when the handle names no submodel, or the engine refuses ("SetName")
     */
    public native void setSubmodelName(int submodelHandle, String name);

    /**
     * As {@link #setSubmodelName(int, String)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @param name any text
     * @throws TARVOException when no submodel has the identifier, or as the handle form
     */
    public native void setSubmodelName(String submodelId, String name);

    /**
     * A submodel's name.
     *
     * @param submodelHandle the submodel's handle
     * @return the name, or null when it has none
     * @throws TARVOException when the handle names no submodel
     */
    public native String getSubmodelName(int submodelHandle);

    /**
     * As {@link #getSubmodelName(int)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @return the name, or null
     * @throws TARVOException when no submodel has the identifier
     */
    public native String getSubmodelName(String submodelId);

    /**
     * Sets a submodel's description, a free text.
     *
     * @param submodelHandle the submodel's handle
     * @param description any text
     * @throws TARVOException when the handle names no submodel, or the engine refuses ("SetComment")
     */
    public native void setSubmodelDescription(int submodelHandle, String description);

    /**
     * As {@link #setSubmodelDescription(int, String)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @param description any text
     * @throws TARVOException when no submodel has the identifier, or as the handle form
     */
    public void setSubmodelDescription(String submodelId, String description) {
        setSubmodelDescrpition(submodelId, description);
    }

    // The library exports the identifier form under this spelling.
    private native void setSubmodelDescrpition(String submodelId, String description);

    /**
     * A submodel's description.
     *
     * @param submodelHandle the submodel's handle
     * @return the description, or null when it has none
     * @throws TARVOException when the handle names no submodel
     */
    public native String getSubmodelDescription(int submodelHandle);

    /**
     * As {@link #getSubmodelDescription(int)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @return the description, or null
     * @throws TARVOException when no submodel has the identifier
     */
    public native String getSubmodelDescription(String submodelId);

    /**
     * A submodel's place on screen.
     *
     * @param submodelHandle the submodel's handle
     * @return a new rectangle: left edge, top edge, width and height
     * @throws TARVOException when the handle names no submodel
     */
    public native Rectangle getSubmodelPosition(int submodelHandle);

    /**
     * As {@link #getSubmodelPosition(int)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @return a new rectangle
     * @throws TARVOException when no submodel has the identifier
     */
    public native Rectangle getSubmodelPosition(String submodelId);

    /**
     * Places a submodel on screen; the values are stored as given.
     *
     * @param submodelHandle the submodel's handle
     * @param x the left edge
     * @param y the top edge
     * @param width the width
     * @param height the height
     * @throws TARVOException when the handle names no submodel
     */
    public native void setSubmodelPosition(int submodelHandle, int x, int y, int width, int height);

    /**
     * As {@link #setSubmodelPosition(int, int, int, int, int)}, the submodel given by its identifier.
     *
     * @param submodelId the submodel's identifier
     * @param x the left edge
     * @param y the top edge
     * @param width the width
     * @param height the height
     * @throws TARVOException when no submodel has the identifier
     */
    public native void setSubmodelPosition(String submodelId, int x, int y, int width, int height);

    // User properties and documentation.

    /**
     * The network's user properties: named texts that travel with the network in its files. Some names
     * are read by the engine, such as "DIAG_alphaValue", the weight of cost in troubleshooting scores.
     *
     * @return the properties in their order
     * @throws TARVOException when the network has been disposed of
     */
    public native UserProperty[] getUserProperties();

    /**
     * Replaces the network's user properties as a whole; on a failure they stay as they were.
     *
     * @param properties the new properties, with unique identifiers as names; empty removes them all
     * @throws TARVOException when an element is null, two elements have one name ("Duplicate property name:
     *     ..."), or the engine refuses a property ("Property name [NAME] is not an identifier ...: Can't add
     *     property (NAME,VALUE), error code: ...")
     */
    public native void setUserProperties(UserProperty[] properties);

    /**
     * A node's user properties.
     *
     * @param nodeHandle the node's handle
     * @return the properties in their order
     * @throws TARVOException when the handle names no node
     */
    public native UserProperty[] getNodeUserProperties(int nodeHandle);

    /**
     * As {@link #getNodeUserProperties(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the properties in their order
     * @throws TARVOException when no node has the identifier
     */
    public native UserProperty[] getNodeUserProperties(String nodeId);

    /**
     * Replaces a node's user properties as a whole, as {@link #setUserProperties(UserProperty[])} does the
     * network's.
     *
     * @param nodeHandle the node's handle
     * @param properties the new properties
     * @throws TARVOException when the handle names no node, or as {@link #setUserProperties(UserProperty[])}
     */
    public native void setNodeUserProperties(int nodeHandle, UserProperty[] properties);

    /**
     * As {@link #setNodeUserProperties(int, UserProperty[])}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param properties the new properties
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeUserProperties(String nodeId, UserProperty[] properties);

    /**
     * The documents attached to a node (title and path or address of each).
     *
     * @param nodeHandle the node's handle
     * @return the documents in their order
     * @throws TARVOException when the handle names no node
     */
    public native DocItemInfo[] getNodeDocumentation(int nodeHandle);

    /**
     * As {@link #getNodeDocumentation(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the documents in their order
     * @throws TARVOException when no node has the identifier
     */
    public native DocItemInfo[] getNodeDocumentation(String nodeId);

    /**
     * Replaces the documents attached to a node as a whole; on a failure they stay as they were.
     *
     * @param nodeHandle the node's handle
     * @param documentation the new documents; empty removes them all
     * @throws TARVOException when the handle names no node, or an element is null
     */
    public native void setNodeDocumentation(int nodeHandle, DocItemInfo[] documentation);

    /**
     * As {@link #setNodeDocumentation(int, DocItemInfo[])}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param documentation the new documents
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeDocumentation(String nodeId, DocItemInfo[] documentation);

    /**
     * The documents attached to an outcome of a node.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @return the documents in their order
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native DocItemInfo[] getOutcomeDocumentation(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #getOutcomeDocumentation(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @return the documents in their order
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native DocItemInfo[] getOutcomeDocumentation(String nodeId, int outcomeIndex);

    /**
     * As {@link #getOutcomeDocumentation(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @return the documents in their order
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native DocItemInfo[] getOutcomeDocumentation(int nodeHandle, String outcomeId);

    /**
     * As {@link #getOutcomeDocumentation(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @return the documents in their order
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native DocItemInfo[] getOutcomeDocumentation(String nodeId, String outcomeId);

    /**
     * Replaces the documents attached to an outcome as a whole; on a failure they stay as they were.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @param documentation the new documents
     * @throws TARVOException when the handle names no node, the index is out of range, or an element is
     *     null
     */
    public native void setOutcomeDocumentation(int nodeHandle, int outcomeIndex, DocItemInfo[] documentation);

    /**
     * As {@link #setOutcomeDocumentation(int, int, DocItemInfo[])}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @param documentation the new documents
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setOutcomeDocumentation(String nodeId, int outcomeIndex, DocItemInfo[] documentation);

    /**
     * As {@link #setOutcomeDocumentation(int, int, DocItemInfo[])}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @param documentation the new documents
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void setOutcomeDocumentation(int nodeHandle, String outcomeId, DocItemInfo[] documentation);

    /**
     * As {@link #setOutcomeDocumentation(int, int, DocItemInfo[])}, node and outcome given by their
     * identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @param documentation the new documents
     * @throws TARVOException when no node or outcome has the identifier, or as the handle form
     */
    public native void setOutcomeDocumentation(String nodeId, String outcomeId, DocItemInfo[] documentation);

    // Diagnostic attributes of nodes.

    /**
     * A node's role in troubleshooting ({@link DiagNetwork}): 0 target (its fault outcomes are the faults
     * sought), 1 observation (a test that can be performed), 2 auxiliary (neither, the role of a new node).
     *
     * @param nodeHandle the node's handle
     * @return the role
     * @throws TARVOException when the handle names no node
     */
    public native int getNodeDiagType(int nodeHandle);

    /**
     * As {@link #getNodeDiagType(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the role
     * @throws TARVOException when no node has the identifier
     */
    public native int getNodeDiagType(String nodeId);

    /**
     * Sets a node's role in troubleshooting (see {@link #getNodeDiagType(int)}).
     *
     * @param nodeHandle the node's handle
     * @param diagType 0 target, 1 observation, 2 auxiliary
     * @throws TARVOException when the handle names no node, or the role is another ("Invalid diagnostic type
     *     9 for node 'X', valid types are 0 (target), 1 (observation), 2 (auxiliary)"); the role stays then
     */
    public native void setNodeDiagType(int nodeHandle, int diagType);

    /**
     * As {@link #setNodeDiagType(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param diagType 0 target, 1 observation, 2 auxiliary
     * @throws TARVOException when no node has the identifier
     */
    public native void setNodeDiagType(String nodeId, int diagType);

    /**
     * Whether an observation node is ranked: only ranked observations are scored as tests.
     *
     * @param nodeHandle the node's handle
     * @return true when ranked (false in a new node)
     * @throws TARVOException when the handle names no node
     */
    public native boolean isRanked(int nodeHandle);

    /**
     * As {@link #isRanked(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true when ranked
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isRanked(String nodeId);

    /**
     * Sets whether an observation node is ranked.
     *
     * @param nodeHandle the node's handle
     * @param ranked true to rank it
     * @throws TARVOException when the handle names no node
     */
    public native void setRanked(int nodeHandle, boolean ranked);

    /**
     * As {@link #setRanked(int, boolean)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param ranked true to rank it
     * @throws TARVOException when no node has the identifier
     */
    public native void setRanked(String nodeId, boolean ranked);

    /**
     * Whether an observation must be made ({@link DiagNetwork#mandatoriesInstantiated()}).
     *
     * @param nodeHandle the node's handle
     * @return true when mandatory (false in a new node)
     * @throws TARVOException when the handle names no node
     */
    public native boolean isMandatory(int nodeHandle);

    /**
     * As {@link #isMandatory(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true when mandatory
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isMandatory(String nodeId);

    /**
     * Sets whether an observation must be made.
     *
     * @param nodeHandle the node's handle
     * @param mandatory true to make it mandatory
     * @throws TARVOException when the handle names no node
     */
    public native void setMandatory(int nodeHandle, boolean mandatory);

    /**
     * As {@link #setMandatory(int, boolean)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param mandatory true to make it mandatory
     * @throws TARVOException when no node has the identifier
     */
    public native void setMandatory(String nodeId, boolean mandatory);

    /**
     * The default outcome of an observation node, which a new {@link DiagNetwork} sets as its evidence.
     *
     * @param nodeHandle the node's handle
     * @return the outcome's index, or -1 when the node has none
     * @throws TARVOException when the handle names no node
     */
    public native int getDefaultOutcome(int nodeHandle);

    /**
     * As {@link #getDefaultOutcome(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the outcome's index, or -1
     * @throws TARVOException when no node has the identifier
     */
    public native int getDefaultOutcome(String nodeId);

    /**
     * As {@link #getDefaultOutcome(int)}, giving the outcome's identifier.
     *
     * @param nodeHandle the node's handle
     * @return the outcome's identifier, or null when the node has no default outcome
     * @throws TARVOException when the handle names no node
     */
    public native String getDefaultOutcomeId(int nodeHandle);

    /**
     * As {@link #getDefaultOutcomeId(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the outcome's identifier, or null
     * @throws TARVOException when no node has the identifier
     */
    public native String getDefaultOutcomeId(String nodeId);

    /**
     * Sets or removes the default outcome of an observation node.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index; a negative index removes the default
     * @throws TARVOException when the handle names no node, or the index is not below the number of
     *     outcomes
     */
    public native void setDefaultOutcome(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #setDefaultOutcome(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index, or negative to remove the default
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setDefaultOutcome(String nodeId, int outcomeIndex);

    /**
     * As {@link #setDefaultOutcome(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void setDefaultOutcome(int nodeHandle, String outcomeId);

    /**
     * As {@link #setDefaultOutcome(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native void setDefaultOutcome(String nodeId, String outcomeId);

    /**
     * The question that an observation asks of the user.
     *
     * @param nodeHandle the node's handle
     * @return the question; empty in a new node
     * @throws TARVOException when the handle names no node
     */
    public native String getNodeQuestion(int nodeHandle);

    /**
     * As {@link #getNodeQuestion(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the question
     * @throws TARVOException when no node has the identifier
     */
    public native String getNodeQuestion(String nodeId);

    /**
     * Sets the question that an observation asks of the user.
     *
     * @param nodeHandle the node's handle
     * @param question any text
     * @throws TARVOException when the handle names no node
     */
    public native void setNodeQuestion(int nodeHandle, String question);

    /**
     * As {@link #setNodeQuestion(int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param question any text
     * @throws TARVOException when no node has the identifier
     */
    public native void setNodeQuestion(String nodeId, String question);

    // Diagnostic attributes of outcomes.

    /**
     * The fix of an outcome: the repair text shown when troubleshooting finds it.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @return the text; empty in a new node
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native String getOutcomeFix(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #getOutcomeFix(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @return the text; empty in a new node
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native String getOutcomeFix(String nodeId, int outcomeIndex);

    /**
     * As {@link #getOutcomeFix(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @return the text; empty in a new node
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native String getOutcomeFix(int nodeHandle, String outcomeId);

    /**
     * As {@link #getOutcomeFix(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @return the text; empty in a new node
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native String getOutcomeFix(String nodeId, String outcomeId);

    /**
     * Sets the fix of an outcome.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @param fix any text
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native void setOutcomeFix(int nodeHandle, int outcomeIndex, String fix);

    /**
     * As {@link #setOutcomeFix(int, int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @param fix any text
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setOutcomeFix(String nodeId, int outcomeIndex, String fix);

    /**
     * As {@link #setOutcomeFix(int, int, String)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @param fix any text
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void setOutcomeFix(int nodeHandle, String outcomeId, String fix);

    /**
     * As {@link #setOutcomeFix(int, int, String)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @param fix any text
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native void setOutcomeFix(String nodeId, String outcomeId, String fix);

    /**
     * The description of an outcome, a free text.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @return the text; empty in a new node
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native String getOutcomeDescription(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #getOutcomeDescription(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @return the text; empty in a new node
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native String getOutcomeDescription(String nodeId, int outcomeIndex);

    /**
     * As {@link #getOutcomeDescription(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @return the text; empty in a new node
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native String getOutcomeDescription(int nodeHandle, String outcomeId);

    /**
     * As {@link #getOutcomeDescription(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @return the text; empty in a new node
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native String getOutcomeDescription(String nodeId, String outcomeId);

    /**
     * Sets the description of an outcome.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @param description any text
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native void setOutcomeDescription(int nodeHandle, int outcomeIndex, String description);

    /**
     * As {@link #setOutcomeDescription(int, int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @param description any text
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setOutcomeDescription(String nodeId, int outcomeIndex, String description);

    /**
     * As {@link #setOutcomeDescription(int, int, String)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @param description any text
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void setOutcomeDescription(int nodeHandle, String outcomeId, String description);

    /**
     * As {@link #setOutcomeDescription(int, int, String)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @param description any text
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native void setOutcomeDescription(String nodeId, String outcomeId, String description);

    /**
     * The label of an outcome, a short identifier shown for it.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @return the label; empty in a new node
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native String getOutcomeLabel(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #getOutcomeLabel(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @return the label; empty in a new node
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native String getOutcomeLabel(String nodeId, int outcomeIndex);

    /**
     * As {@link #getOutcomeLabel(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @return the label; empty in a new node
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native String getOutcomeLabel(int nodeHandle, String outcomeId);

    /**
     * As {@link #getOutcomeLabel(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @return the label; empty in a new node
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native String getOutcomeLabel(String nodeId, String outcomeId);

    /**
     * Sets the label of an outcome, an identifier that no other node's outcome and no other outcome of the
     * node carries; empty removes it. A refused label leaves the old one.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @param label an identifier, or empty
     * @throws TARVOException when the handle names no node, the index is out of range, or the node refuses
     *     the label, with the cause naming it ("Outcome label [L] is already used by node 'B'", "... is not
     *     an identifier (a letter, then letters, digits or '_')", "... is already used by another outcome of
     *     this node"), then ": Can't set the label of outcome INDEX of node 'A', error code: -2"
     */
    public native void setOutcomeLabel(int nodeHandle, int outcomeIndex, String label);

    /**
     * As {@link #setOutcomeLabel(int, int, String)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @param label an identifier, or empty
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setOutcomeLabel(String nodeId, int outcomeIndex, String label);

    /**
     * As {@link #setOutcomeLabel(int, int, String)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @param label an identifier, or empty
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void setOutcomeLabel(int nodeHandle, String outcomeId, String label);

    /**
     * As {@link #setOutcomeLabel(int, int, String)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @param label an identifier, or empty
     * @throws TARVOException when no node or outcome has the identifier, or as the other forms
     */
    public native void setOutcomeLabel(String nodeId, String outcomeId, String label);

    /**
     * Whether an outcome of a target node is a fault, which a {@link DiagNetwork} then seeks.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @return true for a fault (false in a new node)
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native boolean isFaultOutcome(int nodeHandle, int outcomeIndex);

    /**
     * As {@link #isFaultOutcome(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @return true for a fault (false in a new node)
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native boolean isFaultOutcome(String nodeId, int outcomeIndex);

    /**
     * As {@link #isFaultOutcome(int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @return true for a fault (false in a new node)
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native boolean isFaultOutcome(int nodeHandle, String outcomeId);

    /**
     * As {@link #isFaultOutcome(int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @return true for a fault (false in a new node)
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native boolean isFaultOutcome(String nodeId, String outcomeId);

    /**
     * Marks or unmarks an outcome of a target node as a fault.
     *
     * @param nodeHandle the node's handle
     * @param outcomeIndex the outcome's index
     * @param fault true to mark the outcome as a fault
     * @throws TARVOException when the handle names no node, or the index is out of range
     */
    public native void setFaultOutcome(int nodeHandle, int outcomeIndex, boolean fault);

    /**
     * As {@link #setFaultOutcome(int, int, boolean)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param outcomeIndex the outcome's index
     * @param fault true to mark the outcome as a fault
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setFaultOutcome(String nodeId, int outcomeIndex, boolean fault);

    /**
     * As {@link #setFaultOutcome(int, int, boolean)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param outcomeId the outcome's identifier
     * @param fault true to mark the outcome as a fault
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void setFaultOutcome(int nodeHandle, String outcomeId, boolean fault);

    /**
     * As {@link #setFaultOutcome(int, int, boolean)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param outcomeId the outcome's identifier
     * @param fault true to mark the outcome as a fault
     * @throws TARVOException when no node or outcome has the identifier
     */
    public native void setFaultOutcome(String nodeId, String outcomeId, boolean fault);

    // Dynamic networks.

    /**
     * The number of time slices into which a dynamic network unrolls. A network gets 10 slices when its
     * first temporal feature (a plate node, a temporal arc) is made.
     *
     * @return the number of slices; 0 for a network that has never had a temporal feature
     * @throws TARVOException when the network has been disposed of
     */
    public native int getSliceCount();

    /**
     * Sets the number of time slices.
     *
     * @param sliceCount the number of slices, at least 1; a smaller count is ignored and the present one
     *     stays
     * @throws TARVOException when the network has been disposed of
     */
    public native void setSliceCount(int sliceCount);

    /**
     * The largest order among the network's temporal arcs.
     *
     * @return the largest order; 0 when the network has no temporal arcs
     * @throws TARVOException when the network has been disposed of
     */
    public native int getMaxTemporalOrder();

    /**
     * Unrolls the dynamic network into a new, plain network with one copy of each plate node per time
     * slice (temporal arcs become ordinary arcs between the copies; temporal evidence becomes evidence of
     * the copies). This network does not change.
     *
     * @return the new network, which the caller owns and disposes of, and the node map: for n plate nodes
     *     (in ascending handle order) and s slices, entry {@code t * n + i} is the handle, in the new
     *     network, of plate node i in slice t; slice 0 keeps the plate nodes' own handles
     * @throws TARVOException when the network has no temporal features or cannot be unrolled ("TARVO error
     *     ... in function UnrollNetwork"; -42 when the new network would pass the node or table limit)
     */
    public native UnrollResults unroll();

    /**
     * A node's temporal type: 0 normal (outside the plate: one copy, not repeated), 1 anchor (before the
     * first slice, a parent of plate nodes of slice 0), 2 terminal (after the last slice), 3 plate
     * (repeated in every slice).
     *
     * @param nodeHandle the node's handle
     * @return the temporal type, 0 in a new node
     * @throws TARVOException when the handle names no node
     */
    public native int getNodeTemporalType(int nodeHandle);

    /**
     * As {@link #getNodeTemporalType(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the temporal type
     * @throws TARVOException when no node has the identifier
     */
    public native int getNodeTemporalType(String nodeId);

    /**
     * Sets a node's temporal type (see {@link #getNodeTemporalType(int)}).
     *
     * @param nodeHandle the node's handle
     * @param temporalType 0 normal, 1 anchor, 2 terminal, 3 plate
     * @throws TARVOException when the handle names no node, or the engine refuses the type ("TARVO error
     *     ... in function setNodeTemporalType", the logged cause naming the node): a value outside 0 to 3, a
     *     plate node that still has temporal arcs, a parent or child whose temporal type the new type does
     *     not allow (named), or an anchor whose release would grow the tables of its plate children past the
     *     table limit (-42)
     */
    public native void setNodeTemporalType(int nodeHandle, int temporalType);

    /**
     * As {@link #setNodeTemporalType(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param temporalType 0 normal, 1 anchor, 2 terminal, 3 plate
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeTemporalType(String nodeId, int temporalType);

    /**
     * Adds a temporal arc between two plate nodes: the child in slice t depends on the parent in slice
     * t - order. The child gains a temporal definition for the order (see
     * {@link #getNodeTemporalDefinition(int, int)}).
     *
     * @param parentHandle the parent's handle
     * @param childHandle the child's handle
     * @param order the order, at least 1 (1: from the previous slice)
     * @throws TARVOException when a handle names no node (the parent is checked first), or the engine
     *     refuses the arc ("TARVO error ... in function AddTemporalArc": an order below 1, a node outside
     *     the plate, an arc that exists; -42 when the child's own and temporal tables would pass the table
     *     limit)
     */
    public native void addTemporalArc(int parentHandle, int childHandle, int order);

    /**
     * As {@link #addTemporalArc(int, int, int)}, the nodes given by their identifiers (the child's is
     * looked up first).
     *
     * @param parentId the parent's identifier
     * @param childId the child's identifier
     * @param order the order, at least 1
     * @throws TARVOException when no node has one of the identifiers, or as the handle form
     */
    public native void addTemporalArc(String parentId, String childId, int order);

    /**
     * Deletes a temporal arc.
     *
     * @param parentHandle the parent's handle
     * @param childHandle the child's handle
     * @param order the arc's order
     * @throws TARVOException when a handle names no node, or there is no such arc ("TARVO error ... in
     *     function RemoveTemporalArc")
     */
    public native void deleteTemporalArc(int parentHandle, int childHandle, int order);

    /**
     * As {@link #deleteTemporalArc(int, int, int)}, the nodes given by their identifiers (the child's is
     * looked up first).
     *
     * @param parentId the parent's identifier
     * @param childId the child's identifier
     * @param order the arc's order
     * @throws TARVOException when no node has one of the identifiers, or as the handle form
     */
    public native void deleteTemporalArc(String parentId, String childId, int order);

    /**
     * Whether a temporal arc exists.
     *
     * @param parentHandle the parent's handle
     * @param childHandle the child's handle
     * @param order the arc's order
     * @return true when the arc of that order exists
     * @throws TARVOException when a handle names no node
     */
    public native boolean temporalArcExists(int parentHandle, int childHandle, int order);

    /**
     * As {@link #temporalArcExists(int, int, int)}, the nodes given by their identifiers.
     *
     * @param parentId the parent's identifier
     * @param childId the child's identifier
     * @param order the arc's order
     * @return true when the arc exists
     * @throws TARVOException when no node has one of the identifiers
     */
    public native boolean temporalArcExists(String parentId, String childId, int order);

    /**
     * The largest order among the temporal arcs into a node.
     *
     * @param nodeHandle the node's handle
     * @return the largest order; 0 for a plate node without temporal arcs into it; -2 for a node outside
     *     the plate
     * @throws TARVOException when the handle names no node
     */
    public native int getMaxNodeTemporalOrder(int nodeHandle);

    /**
     * As {@link #getMaxNodeTemporalOrder(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the largest order, 0, or -2
     * @throws TARVOException when no node has the identifier
     */
    public native int getMaxNodeTemporalOrder(String nodeId);

    /**
     * The orders of the temporal arcs into a node, which are the orders of its temporal definitions.
     *
     * @param nodeHandle the node's handle
     * @return the orders, ascending
     * @throws TARVOException when the handle names no node, or the engine fails ("GetTemporalOrders")
     */
    public native int[] getTemporalOrders(int nodeHandle);

    /**
     * As {@link #getTemporalOrders(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return the orders, ascending
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int[] getTemporalOrders(String nodeId);

    /**
     * The parents of a node over temporal arcs of one order.
     *
     * @param nodeHandle the node's handle
     * @param order the order
     * @return one entry per parent (handle, identifier and the order), in the order the arcs were added
     * @throws TARVOException when the handle names no node, or the engine fails ("GetTemporalParents")
     */
    public native TemporalInfo[] getTemporalParents(int nodeHandle, int order);

    /**
     * As {@link #getTemporalParents(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param order the order
     * @return one entry per parent
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native TemporalInfo[] getTemporalParents(String nodeId, int order);

    /**
     * The children of a node over temporal arcs of any order.
     *
     * @param nodeHandle the node's handle
     * @return one entry per arc: the child's handle and identifier and the arc's order
     * @throws TARVOException when the handle names no node, or the engine fails ("GetTemporalChildren")
     */
    public native TemporalInfo[] getTemporalChildren(int nodeHandle);

    /**
     * As {@link #getTemporalChildren(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return one entry per arc
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native TemporalInfo[] getTemporalChildren(String nodeId);

    /**
     * The parents that a plate node has once unrolled, up to an order: its normal and plate parents
     * (order 0), then its temporal parents of orders up to the given one by ascending order, which is the
     * order of the dimensions of its temporal definition of the highest such order.
     *
     * @param nodeHandle the node's handle
     * @param order the largest order to include
     * @return one entry per parent: handle, identifier and order; empty when no temporal arc of that order
     *     or lower enters the node
     * @throws TARVOException when the handle names no node, or the node is not a plate node or the order is
     *     below 1 ("TARVO error -2 in function GetUnrolledParents")
     */
    public native TemporalInfo[] getUnrolledParents(int nodeHandle, int order);

    /**
     * As {@link #getUnrolledParents(int, int)} with every order.
     *
     * @param nodeHandle the node's handle
     * @return one entry per parent: handle, identifier and order
     * @throws TARVOException as {@link #getUnrolledParents(int, int)}
     */
    public native TemporalInfo[] getUnrolledParents(int nodeHandle);

    /**
     * As {@link #getUnrolledParents(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param order the largest order to include
     * @return one entry per parent
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native TemporalInfo[] getUnrolledParents(String nodeId, int order);

    /**
     * As {@link #getUnrolledParents(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return one entry per parent
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native TemporalInfo[] getUnrolledParents(String nodeId);

    /**
     * Whether a node has evidence in some slice after slice 0.
     *
     * @param nodeHandle the node's handle
     * @return true when the node has temporal evidence
     * @throws TARVOException when the handle names no node
     */
    public native boolean hasTemporalEvidence(int nodeHandle);

    /**
     * As {@link #hasTemporalEvidence(int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @return true when the node has temporal evidence
     * @throws TARVOException when no node has the identifier
     */
    public native boolean hasTemporalEvidence(String nodeId);

    /**
     * Whether a plate node has evidence in a time slice.
     *
     * @param nodeHandle the node's handle
     * @param slice the slice, from 0 (slice 0 is the node's ordinary evidence)
     * @return true when the node has evidence in that slice
     * @throws TARVOException when the handle names no node
     */
    public native boolean isTemporalEvidence(int nodeHandle, int slice);

    /**
     * As {@link #isTemporalEvidence(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param slice the slice
     * @return true when the node has evidence in that slice
     * @throws TARVOException when no node has the identifier
     */
    public native boolean isTemporalEvidence(String nodeId, int slice);

    /**
     * The observed outcome of a plate node in a time slice.
     *
     * @param nodeHandle the node's handle
     * @param slice the slice, from 0
     * @return the outcome's index
     * @throws TARVOException when the handle names no node, or the node has no evidence in that slice
     *     ("TARVO error -2 in function GetTemporalEvidence", logged "ERROR: Node [X] : it has no evidence in
     *     slice N"; ask {@link #isTemporalEvidence(int, int)} first)
     */
    public native int getTemporalEvidence(int nodeHandle, int slice);

    /**
     * As {@link #getTemporalEvidence(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param slice the slice
     * @return the outcome's index
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int getTemporalEvidence(String nodeId, int slice);

    /**
     * As {@link #getTemporalEvidence(int, int)}, giving the outcome's identifier.
     *
     * @param nodeHandle the node's handle
     * @param slice the slice
     * @return the outcome's identifier
     * @throws TARVOException as {@link #getTemporalEvidence(int, int)}
     */
    public native String getTemporalEvidenceId(int nodeHandle, int slice);

    /**
     * As {@link #getTemporalEvidenceId(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param slice the slice
     * @return the outcome's identifier
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native String getTemporalEvidenceId(String nodeId, int slice);

    /**
     * Observes an outcome of a plate node in a time slice; the node's value is out of date afterwards.
     *
     * @param nodeHandle the node's handle
     * @param slice the slice, from 0 (slice 0 is {@link #setEvidence(int, int)})
     * @param outcomeIndex the observed outcome's index
     * @throws TARVOException when the handle names no node, the index is out of range, or the engine
     *     refuses, the logged cause naming the node ("TARVO error -51 in function SetTemporalEvidence" for a
     *     node outside the plate, -2 for a slice outside those the network unrolls)
     */
    public native void setTemporalEvidence(int nodeHandle, int slice, int outcomeIndex);

    /**
     * As {@link #setTemporalEvidence(int, int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param slice the slice
     * @param outcomeIndex the observed outcome's index
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setTemporalEvidence(String nodeId, int slice, int outcomeIndex);

    /**
     * As {@link #setTemporalEvidence(int, int, int)}, the outcome given by its identifier.
     *
     * @param nodeHandle the node's handle
     * @param slice the slice
     * @param outcomeId the observed outcome's identifier
     * @throws TARVOException when the node has no such outcome, or as the other form
     */
    public native void setTemporalEvidence(int nodeHandle, int slice, String outcomeId);

    /**
     * As {@link #setTemporalEvidence(int, int, int)}, node and outcome given by their identifiers.
     *
     * @param nodeId the node's identifier
     * @param slice the slice
     * @param outcomeId the observed outcome's identifier
     * @throws TARVOException when no node or outcome has the identifier, or as the handle form
     */
    public native void setTemporalEvidence(String nodeId, int slice, String outcomeId);

    /**
     * Withdraws the observation of a plate node in a time slice.
     *
     * @param nodeHandle the node's handle
     * @param slice the slice, from 0
     * @throws TARVOException when the handle names no node, or the engine refuses ("TARVO error ... in
     *     function ClearTemporalEvidence": a node outside the plate, or no evidence in that slice, logged
     *     naming the node and the slice)
     */
    public native void clearTemporalEvidence(int nodeHandle, int slice);

    /**
     * As {@link #clearTemporalEvidence(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param slice the slice
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void clearTemporalEvidence(String nodeId, int slice);

    /**
     * The parameters of a plate node's temporal definition of one order: its table over the parents of
     * {@link #getUnrolledParents(int, int)} for that order (laid out as described under Tables in the
     * class description), or for a noisy-MAX node its weights over those parents (as
     * {@link #getNodeDefinition(int)}). Slices from the order on use it; earlier slices use the
     * definitions of lower orders and slice 0 the node's own.
     *
     * @param nodeHandle the node's handle
     * @param order the order of one of the node's temporal arcs
     * @return the parameters
     * @throws TARVOException when the handle names no node, or it has no temporal definition of that order
     *     ("Cannot get the temporal definition of node '...' ...")
     */
    public native double[] getNodeTemporalDefinition(int nodeHandle, int order);

    /**
     * As {@link #getNodeTemporalDefinition(int, int)}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param order the order
     * @return the parameters
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native double[] getNodeTemporalDefinition(String nodeId, int order);

    /**
     * Replaces the parameters of a plate node's temporal definition of one order, laid out as
     * {@link #getNodeTemporalDefinition(int, int)} gives them. The node's value is out of date afterwards.
     *
     * @param nodeHandle the node's handle
     * @param order the order of one of the node's temporal arcs
     * @param definition the parameters, exactly as many as the getter returns
     * @throws TARVOException when the handle names no node, it has no temporal definition of that order,
     *     the length differs, an entry is NaN, infinite or a negative probability ("ERROR: Node [X] : -1 is
     *     no probability") (nothing changes then), or the engine refuses ("SetTemporalDefinition",
     *     "SetTemporalCiWeights")
     */
    public native void setNodeTemporalDefinition(int nodeHandle, int order, double[] definition);

    /**
     * As {@link #setNodeTemporalDefinition(int, int, double[])}, the node given by its identifier.
     *
     * @param nodeId the node's identifier
     * @param order the order
     * @param definition the parameters
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNodeTemporalDefinition(String nodeId, int order, double[] definition);

    /**
     * The strength orders of the parents of a noisy-MAX plate node's temporal definition of one order (see
     * {@link #setNoisyParentStrengths(int, int, int[])}).
     *
     * @param nodeHandle the noisy-MAX node's handle
     * @param order the order
     * @return one array per parent of that definition, in the order of
     *     {@link #getUnrolledParents(int, int)}; empty when the node has no such definition
     * @throws TARVOException when the handle names no node, or the node is not noisy-MAX
     */
    public native int[][] getNoisyTemporalParentStrengths(int nodeHandle, int order);

    /**
     * As {@link #getNoisyTemporalParentStrengths(int, int)}, the node given by its identifier.
     *
     * @param nodeId the noisy-MAX node's identifier
     * @param order the order
     * @return one array per parent of that definition
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native int[][] getNoisyTemporalParentStrengths(String nodeId, int order);

    /**
     * Sets the strength orders of the parents of a noisy-MAX plate node's temporal definition of one order.
     *
     * @param nodeHandle the noisy-MAX node's handle
     * @param order the order
     * @param strengths one permutation of the parent's outcome indices per parent of that definition, in
     *     the order of {@link #getUnrolledParents(int, int)}
     * @throws TARVOException when the handle names no node, the node is not noisy-MAX, or the engine
     *     refuses ("TARVO error ... in function SetTemporalParentOutcomeStrengths")
     */
    public native void setNoisyTemporalParentStrengths(int nodeHandle, int order, int[][] strengths);

    /**
     * As {@link #setNoisyTemporalParentStrengths(int, int, int[][])}, the node given by its identifier.
     *
     * @param nodeId the noisy-MAX node's identifier
     * @param order the order
     * @param strengths one array per parent of that definition
     * @throws TARVOException when no node has the identifier, or as the handle form
     */
    public native void setNoisyTemporalParentStrengths(String nodeId, int order, int[][] strengths);
}
