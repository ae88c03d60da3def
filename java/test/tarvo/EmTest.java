package tarvo;

import tarvo.learning.DataMatch;
import tarvo.learning.DataSet;
import tarvo.learning.EM;

/** EM from Java: its settings, learning tables from a data file, and the failure texts. */
public class EmTest {
    private static final int CPT = 0x12;
    private static final int TRUTH_TABLE = 0x14;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** a -> b, both with the outcomes yes and no. */
    private static Network chain() {
        Network net = new Network();
        for (String id : new String[] {"a", "b"}) {
            int h = net.addNode(CPT, id);
            net.setOutcomeId(h, 0, "yes");
            net.setOutcomeId(h, 1, "no");
        }
        net.addArc("a", "b");
        return net;
    }

    public void testSettings() {
        EM em = new EM();
        try {
            Check.equal(0, em.getEqSampleSize());
            Check.equal(true, em.getRandomizeParameters());
            Check.equal(false, em.getRelevance());
            em.setEqSampleSize(7);
            em.setRandomizeParameters(false);
            em.setRelevance(true);
            Check.equal(7, em.getEqSampleSize());
            Check.equal(false, em.getRandomizeParameters());
            Check.equal(true, em.getRelevance());
        } finally {
            em.dispose();
        }
    }

    public void testLearnsCountsFromADataFile() {
        // a: yes 3 of 4; b given a=yes: yes 2 of 3; b given a=no: no.
        String file = Fixtures.writeTemp(".txt", "a,b\nyes,yes\nyes,yes\nyes,no\nno,no\n");
        DataSet data = new DataSet();
        Network net = chain();
        EM em = new EM();
        try {
            data.readFile(file, "*", -1, Float.NaN, true);
            DataMatch[] matches = data.matchNetwork(net);
            em.learn(data, net, matches, new String[0]);
            Fixtures.near(new double[] {0.75, 0.25}, net.getNodeDefinition("a"), "a");
            Fixtures.near(new double[] {2.0 / 3.0, 1.0 / 3.0, 0.0, 1.0}, net.getNodeDefinition("b"), "b");
            double[] before = net.getNodeDefinition("b");
            em.learn(data, net, matches, new int[] {net.getNode("b")});
            Fixtures.near(before, net.getNodeDefinition("b"), "fixed b");
        } finally {
            em.dispose();
            data.dispose();
            net.dispose();
        }
    }

    public void testFailureTexts() {
        DataSet data = new DataSet();
        Network net = chain();
        EM em = new EM();
        try {
            data.addIntVariable("a", -1);
            data.addEmptyRecord();
            data.setInt(0, 0, 0);
            DataMatch[] matches = {new DataMatch(0, net.getNode("a"), 0)};
            Check.equal("No matching specified", message(() -> em.learn(data, net, new DataMatch[0], new int[0])));
            Check.equal("No matching specified", message(() -> em.learn(data, net, null, new String[0])));
            Check.equal("DataMatch element can't be null (index 1)",
                    message(() -> em.learn(data, net, new DataMatch[] {matches[0], null}, new int[0])));
            Check.equal("Invalid node id: zz", message(() -> em.learn(data, net, matches, new String[] {"zz"})));
            net.addNode(TRUTH_TABLE, "t");
            Check.equal("TARVO error -4 in function Learn. Logged information: "
                    + "em: node [t] is deterministic: such nodes must be passed as fixed nodes\n"
                    + "em: network and dataset do not match\n",
                    message(() -> em.learn(data, net, matches, (int[]) null)));
        } finally {
            em.dispose();
            data.dispose();
            net.dispose();
        }
    }
}
