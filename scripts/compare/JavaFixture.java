import java.awt.Color;
import java.awt.Rectangle;
import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.util.ArrayList;
import java.util.List;
import java.util.logging.Handler;
import java.util.logging.Level;
import java.util.logging.LogRecord;
import java.util.logging.Logger;
import tarvo.AnnealedMapResults;
import tarvo.DiagNetwork;
import tarvo.DiagResults;
import tarvo.DocItemInfo;
import tarvo.FaultInfo;
import tarvo.Network;
import tarvo.ObservationInfo;
import tarvo.TARVOException;
import tarvo.TemporalInfo;
import tarvo.UnrollResults;
import tarvo.UserProperty;
import tarvo.ValueOfInfo;
import tarvo.learning.BkArcInfo;
import tarvo.learning.BkKnowledge;
import tarvo.learning.BkTierInfo;
import tarvo.learning.DataMatch;
import tarvo.learning.DataSet;
import tarvo.learning.Pattern;

/**
 * What the calls of JavaCalls (written by java_calls.py from the tarvo sources) act on: a network of the
 * kind the call concerns, its node, a parent of it and a node that may become one, and the objects bound
 * to it; the record of each call; and the encoding of what a call returned as numbers.
 */
final class JavaFixture {
    /** The folder of the test data, the scratch folder of the run. */
    static String dataDir;
    static String scratch;

    final Network net;
    /** The node the calls address, its parent (an arc to delete) and a node that is none (an arc to add). */
    int node;
    int parent;
    int freeParent;
    DiagNetwork diag;
    ValueOfInfo voi;
    DataSet data;
    Pattern pattern;
    private final List<Object> owned = new ArrayList<>();

    interface Call {
        Object run(JavaFixture f) throws Exception;
    }

    /**
     * The fixture of the kind named: "asia" (the chest clinic), "diag" (asia with diagnostic roles and a
     * session), "dynamic" (rain and umbrella over 5 slices), "noisy" and "demorgan" (a node of that kind
     * with two parents), "equation", "mau" (a multi-attribute utility over two utilities), "submodel",
     * "decision" (an influence diagram and its value-of-information settings, the last decision and a
     * chance node observed), "evidence" (asia with two findings, updated), "learning" (asia, records drawn
     * from it and a pattern); and the variants some good calls need: "three-outcomes" (dysp with a third
     * outcome), "cost-arc" (either a cost parent of dysp), "cont-evidence" (y observed), "temporal-evidence"
     * (Rain observed in slice 2), "noisy-dynamic" (Rain a noisy-MAX node), "diag-fault" (the node a fault),
     * "diag-observed" (dysp observed in the session), "decision-open" (the chance node not yet among the
     * nodes to observe) and "decision-choice" (the node the last decision).
     */
    JavaFixture(String kind) {
        net = new Network();
        switch (kind) {
            case "dynamic":
            case "temporal-evidence":
            case "noisy-dynamic":
                int rain = net.addNode(kind.equals("noisy-dynamic") ? 146 : 18, "Rain");
                int umbrella = net.addNode(18, "Umbrella");
                net.addArc(rain, umbrella);
                net.setNodeDefinition(umbrella, new double[] {0.9, 0.1, 0.2, 0.8});
                net.setNodeTemporalType(umbrella, 3);
                net.setNodeTemporalType(rain, 3);
                net.addTemporalArc(rain, rain, 1);
                if (!kind.equals("noisy-dynamic")) {
                    net.setNodeTemporalDefinition(rain, 1, new double[] {0.7, 0.3, 0.3, 0.7});
                }
                net.setSliceCount(5);
                net.setTemporalEvidence(umbrella, 2, 0);
                if (kind.equals("temporal-evidence")) {
                    net.setTemporalEvidence(rain, 2, 1);
                }
                node = rain;
                parent = rain;
                freeParent = umbrella;
                break;
            case "noisy":
            case "demorgan":
            case "mau":
            case "equation":
                buildTwoParents(kind);
                break;
            case "cont-evidence":
                buildTwoParents("equation");
                net.setContEvidence(node, 0.5);
                break;
            case "decision":
            case "decision-open":
            case "decision-choice":
                net.readFile(dataDir + "/formats/car_buyer_id.net");
                voi = new ValueOfInfo(net);
                owned.add(voi);
                pickNodes();
                int[] decisions = voi.getAllDecisions();
                voi.setDecision(decisions[decisions.length - 1]);
                for (int h : net.getAllNodes()) {
                    if (net.getNodeType(h) == 18 && h != decisions[decisions.length - 1]) {
                        if (!kind.equals("decision-open")) {
                            voi.addNode(h);
                        }
                        node = h;
                        break;
                    }
                }
                if (kind.equals("decision-choice")) {
                    node = decisions[decisions.length - 1];
                }
                break;
            default:
                net.readFile(dataDir + "/networks/asia.xvrx");
                node = net.getNode("dysp");
                parent = net.getNode("either");
                freeParent = net.getNode("asia");
                if (kind.equals("evidence")) {
                    net.setEvidence("xray", 0);
                    net.setEvidence(node, 0);
                    net.updateBeliefs();
                }
                if (kind.equals("submodel")) {
                    int sub = net.addSubmodel(net.getMainSubmodel(), "Sub");
                    net.setSubmodelOfNode(sub, node);
                }
                if (kind.equals("three-outcomes")) {
                    net.addOutcome(node, "Maybe");
                }
                if (kind.equals("cost-arc")) {
                    net.addCostArc(parent, node);
                }
                if (kind.startsWith("diag")) {
                    for (String target : new String[] {"tub", "lung", "bronc"}) {
                        net.setNodeDiagType(target, 0);
                        net.setFaultOutcome(target, 0, true);
                    }
                    for (String observation : new String[] {"asia", "smoke", "xray", "dysp"}) {
                        net.setNodeDiagType(observation, 1);
                        net.setRanked(observation, true);
                    }
                    diag = new DiagNetwork(net);
                    owned.add(diag);
                    if (kind.equals("diag-fault")) {
                        node = net.getNode("tub");
                    }
                    if (kind.equals("diag-observed")) {
                        diag.instantiateObservation(node, 0);
                    }
                }
                if (kind.equals("learning")) {
                    data = sampledData(net, 200);
                    owned.add(data);
                    pattern = new Pattern();
                    pattern.setSize(3);
                    owned.add(pattern);
                }
        }
    }

    /** A, B -> N with N of the kind; an equation network x -> y of two equation nodes. */
    private void buildTwoParents(String kind) {
        if (kind.equals("equation")) {
            parent = net.addNode(4, "x");
            net.setNodeEquation(parent, "x = Normal(0, 1)");
            node = net.addNode(4, "y");
            net.setNodeEquation(node, "y = x + Normal(0, 1)");
            freeParent = net.addNode(4, "z");
            net.setNodeEquation(freeParent, "z = Uniform(0, 1)");
            return;
        }
        int type = kind.equals("mau") ? 8 : kind.equals("demorgan") ? 82 : 18;
        parent = net.addNode(type, "A");
        int b = net.addNode(type, "B");
        freeParent = net.addNode(type, "C");
        node = net.addNode(kind.equals("noisy") ? 146 : kind.equals("demorgan") ? 82 : 520, "N");
        net.addArc(parent, node);
        net.addArc(b, node);
    }

    private void pickNodes() {
        int[] all = net.getAllNodes();
        node = all[all.length - 1];
        for (int h : all) {
            int[] parents = net.getParents(h);
            if (parents.length > 0) {
                node = h;
                parent = parents[0];
                break;
            }
        }
        freeParent = all[0] == parent ? all[all.length - 1] : all[0];
    }

    /** Records of the network's nodes drawn forward under a fixed seed, one state-named column a node. */
    static DataSet sampledData(Network net, int records) {
        DataSet data = new DataSet();
        int[] nodes = net.getAllNodes();
        for (int v = 0; v < nodes.length; v++) {
            data.addIntVariable(net.getNodeId(nodes[v]), -1);
            data.setStateNames(v, net.getOutcomeIds(nodes[v]));
        }
        long seed = 20261209L;
        for (int r = 0; r < records; r++) {
            data.addEmptyRecord();
            for (int v = 0; v < nodes.length; v++) {
                seed = (seed * 6364136223846793005L + 1442695040888963407L);
                data.setInt(v, r, (int) ((seed >>> 33) % net.getOutcomeCount(nodes[v])));
            }
        }
        return data;
    }

    /** Naive Bayes learning of the sampled records' "dysp". */
    tarvo.learning.NaiveBayes naiveBayes() {
        tarvo.learning.NaiveBayes learner = new tarvo.learning.NaiveBayes();
        learner.setClassVariableId("dysp");
        return learner;
    }

    /** Disposed of with the fixture. */
    void own(Object object) {
        owned.add(object);
    }

    /** A new object of the library made by a call: disposed of at once, answered as 1. */
    static Object disposed(Object made) {
        ((tarvo.Wrapper) made).dispose();
        return 1;
    }

    String id(int handle) {
        return net.getNodeId(handle);
    }

    /** The node's table as it is: a table of the right size. */
    double[] table() {
        return net.getNodeDefinition(node);
    }

    double[] temporalTable() {
        return net.getNodeTemporalDefinition(node, 1);
    }

    double[] cost() {
        return net.getNodeCost(node);
    }

    int[] strengths() {
        return net.getNoisyParentStrengths(node, 0);
    }

    int[][] temporalStrengths() {
        return net.getNoisyTemporalParentStrengths(node, 1);
    }

    DataMatch[] matches() {
        return data.matchNetwork(net);
    }

    /** A data file of records of asia in the scratch folder, written once. */
    String dataFile() throws java.io.IOException {
        java.nio.file.Path path = java.nio.file.Paths.get(scratch, "asia.csv");
        if (!java.nio.file.Files.exists(path)) {
            StringBuilder text = new StringBuilder("asia,smoke,dysp\n");
            for (int r = 0; r < 50; r++) {
                text.append(r % 2 == 0 ? "yes" : "no").append(',').append(r % 3 == 0 ? "yes" : "no").append(',')
                        .append(r % 5 < 2 ? "yes" : "no").append('\n');
            }
            java.nio.file.Files.write(path, text.toString().getBytes(java.nio.charset.StandardCharsets.UTF_8));
        }
        return path.toString();
    }

    static BkKnowledge knowledge() {
        return new BkKnowledge(new BkArcInfo[] {new BkArcInfo(0, 1)}, new BkArcInfo[] {new BkArcInfo(2, 3)},
                new BkTierInfo[] {new BkTierInfo(0, 0), new BkTierInfo(4, 1)});
    }

    static UserProperty[] properties() {
        return new UserProperty[] {new UserProperty("key", "value")};
    }

    static DocItemInfo[] documentation() {
        return new DocItemInfo[] {new DocItemInfo("Title", "http://example.org/a")};
    }

    static Color color() {
        return new Color(10, 20, 30);
    }

    void close() {
        for (int i = owned.size() - 1; i >= 0; i--) {
            try {
                ((tarvo.Wrapper) owned.get(i)).dispose();
            } catch (TARVOException e) {
                // Disposed of by the call itself.
            }
        }
        try {
            net.dispose();
        } catch (TARVOException e) {
            // Disposed of by the call itself.
        }
    }

    // ---- Records.

    /** The first warning the library logged during a call. */
    private static String warning;
    /** The calling thread's CPU time, which the engine's calls from Java run on. */
    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();

    static void catchWarnings() {
        Logger logger = Logger.getLogger("tarvo");
        logger.setUseParentHandlers(false);
        logger.setLevel(Level.ALL);
        logger.addHandler(new Handler() {
            @Override
            public void publish(LogRecord record) {
                if (warning == null) {
                    warning = record.getMessage();
                }
            }

            @Override
            public void flush() {
            }

            @Override
            public void close() {
            }
        });
    }

    /**
     * Runs the call on a new fixture of the kind and prints its record: status 0 with what it returned, or
     * the status of the engine error the exception names ("TARVO error STATUS ..."), -1 for another
     * refusal of the library and -1000 for an exception of Java, with the first line of the message.
     */
    static void record(String key, String kind, Call call) {
        warning = null;
        long start = System.nanoTime();
        long cpuStart = THREADS.getCurrentThreadCpuTime();
        int status = 0;
        String values = "";
        String message = "";
        JavaFixture f = null;
        try {
            f = new JavaFixture(kind);
            values = encode("result", call.run(f));
        } catch (TARVOException e) {
            message = String.valueOf(e.getMessage());
            status = -1;
            if (message.startsWith("TARVO error ")) {
                String code = message.substring(12).split(" ")[0];
                try {
                    status = Integer.parseInt(code);
                } catch (NumberFormatException notANumber) {
                    status = -1;
                }
            }
        } catch (Throwable e) {
            status = -1000;
            message = e.getClass().getName() + ": " + e.getMessage();
        } finally {
            if (f != null) {
                f.close();
            }
        }
        double ms = (System.nanoTime() - start) / 1e6;
        double cpuMs = (THREADS.getCurrentThreadCpuTime() - cpuStart) / 1e6;
        if (status == 0 && warning != null) {
            message = warning;
        }
        message = message.split("\n", 2)[0].replace('\t', ' ').replace('\r', ' ');
        System.out.printf("answer\texact\tjava:%s\t%d\t%.3f\t%.3f\t%s\t%s%n", key, status, ms, cpuMs, values,
                message);
    }

    // ---- What a call returned, as "name=numbers" items.

    static String encode(String name, Object value) {
        if (value == null) {
            return "";
        }
        List<Double> numbers = new ArrayList<>();
        flatten(value, numbers);
        StringBuilder out = new StringBuilder(name).append('=');
        for (int i = 0; i < numbers.size(); i++) {
            out.append(i > 0 ? "," : "").append(numbers.get(i));
        }
        return numbers.isEmpty() ? out.append('-').toString() : out.toString();
    }

    /** Numbers of the value into `numbers`; strings as their length and hash. */
    private static void flatten(Object value, List<Double> numbers) {
        if (value == null) {
            numbers.add(-1.0);
        } else if (value instanceof Number) {
            numbers.add(((Number) value).doubleValue());
        } else if (value instanceof Boolean) {
            numbers.add((Boolean) value ? 1.0 : 0.0);
        } else if (value instanceof String) {
            String s = (String) value;
            numbers.add((double) s.length());
            numbers.add((double) s.hashCode());
        } else if (value instanceof int[]) {
            for (int v : (int[]) value) {
                numbers.add((double) v);
            }
        } else if (value instanceof double[]) {
            for (double v : (double[]) value) {
                numbers.add(v);
            }
        } else if (value instanceof Object[]) {
            numbers.add((double) ((Object[]) value).length);
            for (Object item : (Object[]) value) {
                flatten(item, numbers);
            }
        } else if (value instanceof Rectangle) {
            Rectangle r = (Rectangle) value;
            numbers.add((double) r.x);
            numbers.add((double) r.y);
            numbers.add((double) r.width);
            numbers.add((double) r.height);
        } else if (value instanceof Color) {
            numbers.add((double) ((Color) value).getRGB());
        } else if (value instanceof Network) {
            numbers.add((double) ((Network) value).getNodeCount());
            ((Network) value).dispose();
        } else if (value instanceof UnrollResults) {
            UnrollResults u = (UnrollResults) value;
            flatten(u.mapping, numbers);
            flatten(u.unrolled, numbers);
        } else if (value instanceof AnnealedMapResults) {
            AnnealedMapResults a = (AnnealedMapResults) value;
            numbers.add(a.probM1E);
            numbers.add(a.probE);
            flatten(a.mapStates, numbers);
        } else if (value instanceof DiagResults) {
            flatten(((DiagResults) value).observations, numbers);
            flatten(((DiagResults) value).faults, numbers);
        } else if (value instanceof ObservationInfo) {
            ObservationInfo o = (ObservationInfo) value;
            flatten(new double[] {o.node, o.information, o.cost, o.strength}, numbers);
        } else if (value instanceof FaultInfo) {
            FaultInfo x = (FaultInfo) value;
            flatten(new double[] {x.index, x.node, x.outcome, x.probability, x.pursued ? 1 : 0}, numbers);
        } else if (value instanceof TemporalInfo) {
            TemporalInfo t = (TemporalInfo) value;
            flatten(new Object[] {t.handle, t.id, t.order}, numbers);
        } else if (value instanceof UserProperty) {
            flatten(new Object[] {((UserProperty) value).name, ((UserProperty) value).value}, numbers);
        } else if (value instanceof DocItemInfo) {
            flatten(new Object[] {((DocItemInfo) value).title, ((DocItemInfo) value).path}, numbers);
        } else if (value instanceof DataMatch) {
            DataMatch m = (DataMatch) value;
            flatten(new int[] {m.column, m.node, m.slice}, numbers);
        } else if (value instanceof BkKnowledge) {
            BkKnowledge k = (BkKnowledge) value;
            flatten(new Object[] {k.forcedArcs, k.forbiddenArcs, k.tiers}, numbers);
        } else if (value instanceof BkArcInfo) {
            flatten(new int[] {((BkArcInfo) value).parent, ((BkArcInfo) value).child}, numbers);
        } else if (value instanceof BkTierInfo) {
            flatten(new int[] {((BkTierInfo) value).variable, ((BkTierInfo) value).tier}, numbers);
        } else if (value instanceof Pattern) {
            Pattern p = (Pattern) value;
            numbers.add((double) p.getSize());
            for (int i = 0; i < p.getSize(); i++) {
                for (int j = 0; j < p.getSize(); j++) {
                    numbers.add((double) p.getEdge(i, j));
                }
            }
            p.dispose();
        } else {
            numbers.add(1.0);
        }
    }
}
