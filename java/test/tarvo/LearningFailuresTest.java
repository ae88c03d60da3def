package tarvo;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Paths;
import tarvo.learning.DataSet;
import tarvo.learning.GreedyThickThinning;
import tarvo.learning.PC;
import tarvo.learning.Pattern;

/**
 * Failed learning and unrolling calls: the result object a native made before the engine failed is
 * released (memory stays flat over many failures), and the failure carries its reason.
 */
public class LearningFailuresTest {
    private static final int CPT = 0x12;
    private static final int ROUNDS = 10000;

    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    /** Resident memory of this process in KB (Linux). */
    private static long residentKb() {
        try {
            for (String line : Files.readAllLines(Paths.get("/proc/self/status"))) {
                if (line.startsWith("VmRSS:")) {
                    return Long.parseLong(line.replaceAll("[^0-9]", ""));
                }
            }
        } catch (IOException e) {
            throw new AssertionError("cannot read /proc/self/status", e);
        }
        throw new AssertionError("no VmRSS in /proc/self/status");
    }

    private static void fail(int rounds, Check.Body[] bodies) {
        for (int i = 0; i < rounds; i++) {
            for (Check.Body body : bodies) {
                Check.raises(TARVOException.class, body);
            }
        }
        System.gc();
    }

    public void testFailedResultsAreReleased() {
        Network net = new Network();
        DataSet data = new DataSet();
        PC pc = new PC();
        Pattern pattern = new Pattern();
        try {
            net.addNode(CPT, "a");
            data.readFile(Fixtures.writeTemp(".txt", "a,b\n1,2\n2,1\n"), null, -1, Float.NaN, true);
            pattern.setSize(2);
            pattern.setEdge(0, 1, 1);
            pattern.setEdge(1, 0, 1);
            // A static network does not unroll; an undirected edge makes no network; two records are
            // too few for PC.
            Check.Body[] bodies = {net::unroll, () -> pattern.makeNetwork(data), () -> pc.learn(data)};
            fail(ROUNDS / 10, bodies);
            long before = residentKb();
            fail(ROUNDS, bodies);
            long grown = residentKb() - before;
            // Each leaked network alone was about 13 KB: 10,000 of them would be over 100 MB.
            Check.isTrue(grown < 24 * 1024, "resident memory grew by " + grown + " KB");
        } finally {
            pattern.dispose();
            pc.dispose();
            data.dispose();
            net.dispose();
        }
    }

    public void testNetWeightMustBePositive() {
        DataSet data = new DataSet();
        GreedyThickThinning gtt = new GreedyThickThinning();
        try {
            data.readFile(Fixtures.writeTemp(".txt", "a,b\n1,2\n2,1\n1,1\n"), null, -1, Float.NaN, true);
            gtt.setPriorsMethod(1);
            gtt.setNetWeight(0.0);
            Check.equal("TARVO error -1 in function Learn. Logged information: "
                    + "greedy thick thinning: the net weight must be greater than 0, not 0\n",
                    message(() -> gtt.learn(data)));
        } finally {
            gtt.dispose();
            data.dispose();
        }
    }
}
