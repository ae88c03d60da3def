package tarvo;

import java.nio.file.Files;
import java.nio.file.Paths;
import tarvo.learning.DataSet;
import tarvo.learning.PC;
import tarvo.learning.Pattern;

/** Natives that fail after making their result object release it: memory stays flat over many failures. */
public class LearningFailuresTest {
    /** Resident memory of this process in KB (Linux). */
    private static long residentKb() throws Exception {
        String status = new String(Files.readAllBytes(Paths.get("/proc/self/status")), "UTF-8");
        return Long.parseLong(status.replaceAll("(?s).*VmRSS:\\s*(\\d+).*", "$1"));
    }

    private static void fail(int rounds, Check.Body... bodies) {
        for (int i = 0; i < rounds; i++) {
            for (Check.Body body : bodies) {
                Check.raises(TARVOException.class, body);
            }
        }
        System.gc();
    }

    public void testFailedResultsAreReleased() throws Exception {
        Network net = new Network();
        DataSet data = new DataSet();
        PC pc = new PC();
        Pattern pattern = new Pattern();
        try {
            data.readFile(Fixtures.writeTemp(".txt", "a,b\n1,2\n2,1\n"), null, -1, Float.NaN, true);
            pattern.setSize(2);
            pattern.setEdge(0, 1, 1);
            pattern.setEdge(1, 0, 1);
            // A static network does not unroll, an undirected edge makes no network, two records are too
            // few for PC.
            Check.Body[] bodies = {net::unroll, () -> pattern.makeNetwork(data), () -> pc.learn(data)};
            fail(1000, bodies);
            long before = residentKb();
            fail(10000, bodies);
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
}
