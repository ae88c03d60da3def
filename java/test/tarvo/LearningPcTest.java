package tarvo;

import java.util.Arrays;
import java.util.Random;
import tarvo.learning.BkArcInfo;
import tarvo.learning.BkKnowledge;
import tarvo.learning.BkTierInfo;
import tarvo.learning.DataSet;
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
