package tarvo;

import java.util.Arrays;
import java.util.Random;
import tarvo.learning.BkArcInfo;
import tarvo.learning.BkKnowledge;
import tarvo.learning.BkTierInfo;
import tarvo.learning.DataMatch;
import tarvo.learning.DataSet;
import tarvo.learning.EM;
import tarvo.learning.GreedyThickThinning;
import tarvo.learning.NaiveBayes;
import tarvo.learning.PC;
import tarvo.learning.Pattern;

/** PC from Java: settings, background knowledge, learning from a data file and the pattern natives. */
public class LearningPcTest {
    private static final int CPT = 0x12;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** Records of a collider a -> c <- b: a and b fair coins, c mostly "yes" when either is. */
    private static String colliderFile(int records) {
        Random random = new Random(17);
        StringBuilder text = new StringBuilder("a,b,c\n");
        for (int r = 0; r < records; r++) {
            boolean a = random.nextBoolean();
            boolean b = random.nextBoolean();
            double p = a && b ? 0.95 : a || b ? 0.8 : 0.05;
            boolean c = random.nextDouble() < p;
            text.append(a ? "yes" : "no").append(',').append(b ? "yes" : "no").append(',')
                    .append(c ? "yes" : "no").append('\n');
        }
        return Fixtures.writeTemp(".txt", text.toString());
    }

    public void testSettingsAndKnowledge() {
        PC pc = new PC();
        try {
            Check.equal(8, pc.getMaxAdjacency());
            Check.equal(0.05, pc.getSignificance());
            BkKnowledge empty = pc.getBkKnowledge();
            Check.equal(0, empty.forcedArcs.length + empty.forbiddenArcs.length + empty.tiers.length);
            pc.setMaxAdjacency(2);
            pc.setSignificance(0.01);
            pc.setBkKnowledge(new BkKnowledge(new BkArcInfo[] {new BkArcInfo(0, 2)},
                    new BkArcInfo[] {new BkArcInfo(1, 0)}, new BkTierInfo[] {new BkTierInfo(2, 1)}));
            Check.equal(2, pc.getMaxAdjacency());
            Check.equal(0.01, pc.getSignificance());
            BkKnowledge back = pc.getBkKnowledge();
            Check.equal(2, back.forcedArcs[0].child);
            Check.equal(1, back.forbiddenArcs[0].parent);
            Check.equal(1, back.tiers[0].tier);
            Check.equal("Object argument can't be null", message(() -> pc.setBkKnowledge(null)));
        } finally {
            pc.dispose();
        }
    }

    public void testFromDataFileToNetwork() {
        DataSet data = new DataSet();
        Network net = new Network();
        PC pc = new PC();
        try {
            data.readFile(colliderFile(2000), null, -1, Float.NaN, true);
            for (String id : new String[] {"a", "b", "c"}) {
                int h = net.addNode(CPT, id);
                net.setOutcomeId(h, 0, "yes");
                net.setOutcomeId(h, 1, "no");
            }
            Check.equal(3, data.matchNetwork(net).length);
            Pattern pattern = pc.learn(data);
            Check.equal(3, pattern.getSize());
            int[][] expected = {{0, 0, 2}, {0, 0, 2}, {0, 0, 0}};
            for (int i = 0; i < 3; i++) {
                for (int j = 0; j < 3; j++) {
                    Check.equal(expected[i][j], pattern.getEdge(i, j));
                }
            }
            Check.isTrue(pattern.isDAG() && !pattern.hasCycle(), "a collider is a DAG");
            Network learnt = pattern.makeNetwork(data);
            Check.equal(Arrays.asList("a", "b"), Arrays.asList(learnt.getParentIds("c")));
            Check.equal(Arrays.asList("yes", "no"), Arrays.asList(learnt.getOutcomeIds("c")));
            learnt.dispose();

            pattern.setEdge(0, 1, 1);
            pattern.setEdge(1, 0, 1);
            Check.isTrue(!pattern.isDAG(), "an undirected edge is no DAG");
            Check.equal("TARVO error -1 in function MakeNetwork. Logged information: "
                    + "pattern: not a directed acyclic graph\n", message(() -> pattern.makeNetwork(data)));
            Check.equal("Invalid pattern index 3, valid range is 0..2", message(() -> pattern.getEdge(3, 0)));
            Check.equal("Invalid pattern index -1, valid range is 0..2", message(() -> pattern.setEdge(0, -1, 2)));
            pattern.dispose();

            pc.setBkKnowledge(new BkKnowledge(new BkArcInfo[] {new BkArcInfo(0, 9)}, null, null));
            Check.equal("TARVO error -1 in function Learn. Logged information: "
                    + "pc: forced arc names variable 9, valid range is 0..2\n", message(() -> pc.learn(data)));
            data.readFile(Fixtures.writeTemp(".txt", "a,b\n1,2\n2,1\n"), null, -1, Float.NaN, true);
            Check.equal("TARVO error -1 in function Learn. Logged information: pc: too few data points\n",
                    message(() -> pc.learn(data)));
        } finally {
            pc.dispose();
            data.dispose();
            net.dispose();
        }
    }

    /** Settings outside their meaning and matches outside the network are refused at the call. */
    public void testBadCallsAreRefusedAtTheCall() {
        PC pc = new PC();
        GreedyThickThinning gtt = new GreedyThickThinning();
        NaiveBayes nb = new NaiveBayes();
        EM em = new EM();
        Pattern pattern = new Pattern();
        DataSet data = new DataSet();
        Network net = new Network();
        try {
            pattern.setSize(2);
            net.addNode(CPT, "A");
            data.readFile(Fixtures.writeTemp(".txt", "A,B\n0,1\n1,0\n"), null, -1, Float.NaN, true);
            Object[][] cases = {
                {(Check.Body) () -> pc.setSignificance(Double.NaN), "pc: the significance must lie in [0, 1], not nan"},
                {(Check.Body) () -> pc.setSignificance(2), "pc: the significance must lie in [0, 1], not 2"},
                {(Check.Body) () -> pc.setMaxAdjacency(-3), "pc: the maximum adjacency must be 0 or more, not -3"},
                {(Check.Body) () -> gtt.setMaxParents(-1),
                    "greedy thick thinning: the maximum number of parents must be 0 or more, not -1"},
                {(Check.Body) () -> gtt.setNetWeight(0),
                    "greedy thick thinning: the net weight must be greater than 0, not 0"},
                {(Check.Body) () -> nb.setNetWeight(-1), "naive bayes: the net weight must be greater than 0, not -1"},
                {(Check.Body) () -> em.setEqSampleSize(-5), "em: the equivalent sample size must be 0 or more, not -5"},
                {(Check.Body) () -> pattern.setEdge(0, 1, 7), "Invalid pattern edge mark 7, valid range is 0..2"},
                {(Check.Body) () -> em.learn(data, net, new DataMatch[] {new DataMatch(0, 0, 5)}, (int[]) null),
                    "TARVO error -2 in function Learn. Logged information: em: the match of column [A] names slice 5 "
                        + "of node [A], valid range is 0..0\n"},
                {(Check.Body) () -> em.learn(data, net,
                    new DataMatch[] {new DataMatch(0, 0, 0), new DataMatch(1, 0, 0)}, (int[]) null),
                    "TARVO error -4 in function Learn. Logged information: em: columns [A] and [B] are both matched "
                        + "to node [A]\n"},
            };
            for (Object[] c : cases) {
                Check.equal(c[1], message((Check.Body) c[0]));
            }
            Check.equal(0.05, pc.getSignificance());
            Check.equal(8, pc.getMaxAdjacency());
            Check.equal(0, gtt.getPriorsMethod());
            Check.equal(5, gtt.getMaxParents());
            Check.equal(1.0, gtt.getNetWeight());
            Check.equal(0, nb.getPriorsMethod());
            Check.equal(1.0, nb.getNetWeight());
            Check.equal(0, em.getEqSampleSize());
            Check.equal(0, pattern.getEdge(0, 1));
        } finally {
            pc.dispose();
            gtt.dispose();
            nb.dispose();
            em.dispose();
            pattern.dispose();
            data.dispose();
            net.dispose();
        }
    }

    /** Forced arcs that close a cycle are refused before learning; others reach the network made. */
    public void testForcedArcs() {
        DataSet data = new DataSet();
        PC pc = new PC();
        GreedyThickThinning gtt = new GreedyThickThinning();
        try {
            data.readFile(colliderFile(40), null, -1, Float.NaN, true);
            BkArcInfo[] cycle = {new BkArcInfo(0, 1), new BkArcInfo(1, 2), new BkArcInfo(2, 0)};
            pc.setBkKnowledge(new BkKnowledge(cycle, null, null));
            gtt.setBkKnowledge(new BkKnowledge(cycle, null, null));
            String arcs = "the forced arcs [a] -> [b], [b] -> [c], [c] -> [a] form a cycle\n";
            Check.equal("TARVO error -1 in function Learn. Logged information: pc: " + arcs,
                    message(() -> pc.learn(data)));
            Check.equal("TARVO error -1 in function Learn. Logged information: greedy thick thinning: " + arcs,
                    message(() -> gtt.learn(data)));
            BkArcInfo[] both = {new BkArcInfo(1, 2)};
            pc.setBkKnowledge(new BkKnowledge(both, both, null));
            gtt.setBkKnowledge(new BkKnowledge(both, both, null));
            String contradiction = "the arc [b] -> [c] is both forced and forbidden\n";
            Check.equal("TARVO error -1 in function Learn. Logged information: pc: " + contradiction,
                    message(() -> pc.learn(data)));
            Check.equal("TARVO error -1 in function Learn. Logged information: greedy thick thinning: "
                    + contradiction, message(() -> gtt.learn(data)));
            BkKnowledge chain = new BkKnowledge(new BkArcInfo[] {new BkArcInfo(0, 1), new BkArcInfo(1, 2)}, null, null);
            pc.setBkKnowledge(chain);
            gtt.setBkKnowledge(chain);
            Pattern pattern = pc.learn(data);
            Network fromPattern = pattern.makeNetwork(data);
            Network learnt = gtt.learn(data);
            for (Network net : new Network[] {fromPattern, learnt}) {
                Check.isTrue(Arrays.asList(net.getParentIds("b")).contains("a"), "a -> b is kept");
                Check.isTrue(Arrays.asList(net.getParentIds("c")).contains("b"), "b -> c is kept");
                net.dispose();
            }
            pattern.dispose();
        } finally {
            pc.dispose();
            gtt.dispose();
            data.dispose();
        }
    }

    /** Only 2 at the head and 0 at the tail make an arc; a plain tail is followed for cycles all the same. */
    public void testWhichMarksMakeArcs() {
        int[][] cases = {  // the mark at 1 and the mark at 0 of the edge between 0 and 1, isDAG (1 or 0)
            {2, 0, 1},
            {2, 1, 0},
            {1, 1, 0},
            {1, 0, 0},
            {2, 2, 0},
        };
        for (int[] c : cases) {
            Pattern pattern = new Pattern();
            try {
                pattern.setSize(2);
                pattern.setEdge(0, 1, c[0]);
                pattern.setEdge(1, 0, c[1]);
                String what = "marks " + c[0] + " at 1 and " + c[1] + " at 0";
                Check.equal(what + ": DAG " + (c[2] == 1), what + ": DAG " + pattern.isDAG());
                Check.isTrue(!pattern.hasCycle(), what + ": no cycle");
            } finally {
                pattern.dispose();
            }
        }
        // Over three variables, edges head to tail 0 -> 1 -> 2 -> 0 with plain tails make a cycle.
        Pattern loop = new Pattern();
        try {
            loop.setSize(3);
            for (int i = 0; i < 3; i++) {
                loop.setEdge(i, (i + 1) % 3, 2);
                loop.setEdge((i + 1) % 3, i, 1);
            }
            Check.isTrue(loop.hasCycle() && !loop.isDAG(), "plain tails are followed for cycles");
        } finally {
            loop.dispose();
        }
    }

    public void testNewPattern() {
        Pattern pattern = new Pattern();
        try {
            Check.equal(0, pattern.getSize());
            Check.isTrue(pattern.isDAG() && !pattern.hasCycle(), "the empty pattern is a DAG");
            Check.equal("Pattern object has no variables", message(() -> pattern.getEdge(0, 0)));
            pattern.setSize(2);
            pattern.setEdge(0, 1, 2);
            pattern.setEdge(1, 0, 2);
            Check.isTrue(!pattern.isDAG() && !pattern.hasCycle(), "bidirected: no DAG, no cycle");
            Check.equal("Negative pattern size", message(() -> pattern.setSize(-1)));
            Check.equal("TARVO error -42 in function setSize. Logged information: "
                    + "Pattern of 30000 variables: its 900000000 marks pass the limit of 268435456 cells\n",
                    message(() -> pattern.setSize(30000)));
            Check.equal(2, pattern.getSize());
        } finally {
            pattern.dispose();
        }
    }
}
